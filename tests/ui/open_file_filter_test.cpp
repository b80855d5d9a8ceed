#include "ui/open_file_filter.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Filters = std::vector<std::string>;

TEST(QtNameFilters, ConvertsTheBatchDialogFilter) {
    EXPECT_EQ(ui::qtNameFilters("文本文件(*.txt)|*.txt|网页文件(*.htm;*.html)|*.htm;*.html|"
                                "全部文件(*.*)|*.*"),
              (Filters{"文本文件(*.txt) (*.txt)", "网页文件(*.htm;*.html) (*.htm *.html)",
                       "全部文件(*.*) (*)"}));
}

TEST(QtNameFilters, OddShapes) {
    EXPECT_EQ(ui::qtNameFilters(""), Filters{});
    EXPECT_EQ(ui::qtNameFilters("只有说明"), Filters{});
    EXPECT_EQ(ui::qtNameFilters("A|*.a|B"), Filters{"A (*.a)"});
    EXPECT_EQ(ui::qtNameFilters("A|"), Filters{"A (*)"});
    EXPECT_EQ(ui::qtNameFilters("|*.log"), Filters{"*.log (*.log)"});
    EXPECT_EQ(ui::qtNameFilters("A| *.a ; ;*.b |"), Filters{"A (*.a *.b)"});
    EXPECT_EQ(ui::qtNameFilters("A|*.*;*.x"), Filters{"A (* *.x)"});
}

} // namespace
