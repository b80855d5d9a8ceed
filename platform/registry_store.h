// A small file-backed stand-in for the system registry's text values: key paths such as
// "HKEY_CLASSES_ROOT\砚舟软件\青枫匣\输入编码" hold named text values. Key paths and value
// names compare as the registry compares them, ignoring ASCII case.
#pragma once

#include <optional>

#include "platform/ansi_text.h"

namespace platform {

class RegistryStore {
public:
    // Values live in `backingFile` (created on the first write).
    explicit RegistryStore(AnsiText backingFile) : file(std::move(backingFile)) {}

    // The user's registry file: user configuration folder + "/青枫匣/registry".
    static AnsiText defaultBackingFile();

    // The value, or nothing when the key or the value is missing.
    std::optional<AnsiText> readString(const AnsiText& keyPath, const AnsiText& name) const;
    // Creates or replaces the value (and its key); false when the file cannot be written.
    bool writeString(const AnsiText& keyPath, const AnsiText& name, const AnsiText& value);

    const AnsiText& backingFile() const { return file; }

private:
    AnsiText file;
};

} // namespace platform
