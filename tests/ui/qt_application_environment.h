// One QApplication for a whole GoogleTest program, created before the first test and gone before
// the program's statics are (a static QApplication crashes at exit).
#pragma once

#include <memory>

#include <gtest/gtest.h>

#include <QApplication>

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app = std::make_unique<QApplication>(argc, argv); }
    void TearDown() override { app.reset(); }

private:
    int argc = 1;
    char name[8] = "qt_test";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
};

inline ::testing::Environment* const qtApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);
