// Controls and the window's placement saved as values of the store.
#include <algorithm>
#include <cmath>
#include <limits>

#include "settings/config_store.h"

namespace settings {

namespace {

int clampToInt(double value) {
    if (std::isnan(value))
        return 0;
    const double rounded = std::round(value);
    return static_cast<int>(std::clamp(rounded, double(std::numeric_limits<int>::min()),
                                       double(std::numeric_limits<int>::max())));
}

// The placement's numbers under their keys, in the order they are written.
struct GeometryKey {
    const char* key;
    int WindowPlacement::*value;
};
const GeometryKey geometryKeys[] = {
    {"左边", &WindowPlacement::left},
    {"顶边", &WindowPlacement::top},
    {"宽度", &WindowPlacement::width},
    {"高度", &WindowPlacement::height},
};

AnsiText geometrySection(const AnsiText& name) {
    return (name.empty() ? platform::ansi("主界面") : name) + platform::ansi(".尺寸");
}

} // namespace

bool ConfigStore::saveRadioButton(const AnsiText& caption, bool selected) {
    return writeFlag(caption, selected);
}

bool ConfigStore::restoreRadioButton(const AnsiText& caption, bool current) {
    return readFlag(caption, current);
}

// Check boxes and checkable items keep their checked state exactly as radio buttons do.
bool ConfigStore::saveCheckBox(const AnsiText& caption, bool checked) {
    return saveRadioButton(caption, checked);
}
bool ConfigStore::restoreCheckBox(const AnsiText& caption, bool current) {
    return restoreRadioButton(caption, current);
}
bool ConfigStore::saveCheckableItem(const AnsiText& caption, bool checked) {
    return saveRadioButton(caption, checked);
}
bool ConfigStore::restoreCheckableItem(const AnsiText& caption, bool current) {
    return restoreRadioButton(caption, current);
}

void ConfigStore::saveWindowGeometry(const WindowPlacement& placement, const AnsiText& name) {
    selectSection(geometrySection(name));
    writeNumber(platform::ansi("位置"), static_cast<int>(placement.state));
    if (placement.state >= PlacementState::Minimised)
        return;
    for (const GeometryKey& entry : geometryKeys)
        writeNumber(platform::ansi(entry.key), placement.*entry.value);
}

WindowPlacement ConfigStore::restoreWindowGeometry(const WindowPlacement& current,
                                                   const AnsiText& name) {
    selectSection(geometrySection(name));
    WindowPlacement restored = current;
    restored.state = static_cast<PlacementState>(
        clampToInt(readNumber(platform::ansi("位置"), static_cast<int>(current.state))));
    if (restored.state >= PlacementState::Minimised)
        return restored;
    for (const GeometryKey& entry : geometryKeys)
        restored.*entry.value =
            clampToInt(readNumber(platform::ansi(entry.key), current.*entry.value));
    return restored;
}

} // namespace settings
