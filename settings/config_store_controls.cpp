// Controls and the window's placement saved as values of the store.
#include "settings/config_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace settings {

namespace {

int clampToInt(double value) {
    if (std::isnan(value))
        return 0;
    const double rounded = std::round(value);
    return static_cast<int>(std::clamp(rounded, double(std::numeric_limits<int>::min()),
                                       double(std::numeric_limits<int>::max())));
}

struct GeometryKey {
    const char* key;
    ControlAttribute attribute;
};
const GeometryKey geometryKeys[] = {
    {"左边", ControlAttribute::Left},
    {"顶边", ControlAttribute::Top},
    {"宽度", ControlAttribute::Width},
    {"高度", ControlAttribute::Height},
};
// Placement states from minimised on carry no position of their own.
constexpr int minimisedState = 2;

AnsiText geometrySection(const AnsiText& name) {
    return (name.empty() ? platform::ansi("主界面") : name) + platform::ansi(".尺寸");
}

} // namespace

bool ConfigStore::saveRadioButton(ControlAccess& controls, const AnsiText& control) {
    return writeFlag(controls.textAttribute(control, ControlAttribute::Caption),
                     controls.flagAttribute(control, ControlAttribute::Selected));
}

bool ConfigStore::restoreRadioButton(ControlAccess& controls, const AnsiText& control) {
    const bool current = controls.flagAttribute(control, ControlAttribute::Selected);
    const bool stored =
        readFlag(controls.textAttribute(control, ControlAttribute::Caption), current);
    controls.setFlagAttribute(control, ControlAttribute::Selected, stored);
    return controls.flagAttribute(control, ControlAttribute::Selected);
}

// Check boxes and checkable items keep their checked state exactly as radio buttons do.
bool ConfigStore::saveCheckBox(ControlAccess& controls, const AnsiText& control) {
    return saveRadioButton(controls, control);
}
bool ConfigStore::restoreCheckBox(ControlAccess& controls, const AnsiText& control) {
    return restoreRadioButton(controls, control);
}
bool ConfigStore::saveCheckableItem(ControlAccess& controls, const AnsiText& control) {
    return saveRadioButton(controls, control);
}
bool ConfigStore::restoreCheckableItem(ControlAccess& controls, const AnsiText& control) {
    return restoreRadioButton(controls, control);
}

void ConfigStore::saveWindowGeometry(ControlAccess& controls, const AnsiText& name) {
    const AnsiText windowItself;
    selectSection(geometrySection(name));
    const int state = controls.numberAttribute(windowItself, ControlAttribute::PlacementState);
    writeNumber(platform::ansi("位置"), state);
    if (state >= minimisedState)
        return;
    for (const GeometryKey& entry : geometryKeys)
        writeNumber(platform::ansi(entry.key),
                    controls.numberAttribute(windowItself, entry.attribute));
}

void ConfigStore::restoreWindowGeometry(ControlAccess& controls, const AnsiText& name) {
    const AnsiText windowItself;
    selectSection(geometrySection(name));
    const int state = clampToInt(
        readNumber(platform::ansi("位置"),
                   controls.numberAttribute(windowItself, ControlAttribute::PlacementState)));
    controls.setNumberAttribute(windowItself, ControlAttribute::PlacementState, state);
    if (state >= minimisedState)
        return;
    for (const GeometryKey& entry : geometryKeys) {
        const int current = controls.numberAttribute(windowItself, entry.attribute);
        controls.setNumberAttribute(windowItself, entry.attribute,
                                    clampToInt(readNumber(platform::ansi(entry.key), current)));
    }
}

} // namespace settings
