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

struct GeometryKey {
    const char* key;
    batch::ControlAttribute attribute;
};
const GeometryKey geometryKeys[] = {
    {"左边", batch::ControlAttribute::Left},
    {"顶边", batch::ControlAttribute::Top},
    {"宽度", batch::ControlAttribute::Width},
    {"高度", batch::ControlAttribute::Height},
};
// Placement states from minimised on carry no position of their own.
constexpr int minimisedState = 2;

AnsiText geometrySection(const AnsiText& name) {
    return (name.empty() ? platform::ansi("主界面") : name) + platform::ansi(".尺寸");
}

} // namespace

bool ConfigStore::saveRadioButton(batch::BatchHost& controls, std::string_view control) {
    return writeFlag(controls.textAttribute(control, batch::ControlAttribute::Caption),
                     controls.flagAttribute(control, batch::ControlAttribute::Selected));
}

bool ConfigStore::restoreRadioButton(batch::BatchHost& controls, std::string_view control) {
    const bool current = controls.flagAttribute(control, batch::ControlAttribute::Selected);
    const bool stored =
        readFlag(controls.textAttribute(control, batch::ControlAttribute::Caption), current);
    controls.setFlagAttribute(control, batch::ControlAttribute::Selected, stored);
    return controls.flagAttribute(control, batch::ControlAttribute::Selected);
}

// Check boxes and checkable items keep their checked state exactly as radio buttons do.
bool ConfigStore::saveCheckBox(batch::BatchHost& controls, std::string_view control) {
    return saveRadioButton(controls, control);
}
bool ConfigStore::restoreCheckBox(batch::BatchHost& controls, std::string_view control) {
    return restoreRadioButton(controls, control);
}
bool ConfigStore::saveCheckableItem(batch::BatchHost& controls, std::string_view control) {
    return saveRadioButton(controls, control);
}
bool ConfigStore::restoreCheckableItem(batch::BatchHost& controls, std::string_view control) {
    return restoreRadioButton(controls, control);
}

void ConfigStore::saveWindowGeometry(batch::BatchHost& controls, const AnsiText& name) {
    const AnsiText windowItself;
    selectSection(geometrySection(name));
    const int state =
        controls.numberAttribute(windowItself, batch::ControlAttribute::PlacementState);
    writeNumber(platform::ansi("位置"), state);
    if (state >= minimisedState)
        return;
    for (const GeometryKey& entry : geometryKeys)
        writeNumber(platform::ansi(entry.key),
                    controls.numberAttribute(windowItself, entry.attribute));
}

void ConfigStore::restoreWindowGeometry(batch::BatchHost& controls, const AnsiText& name) {
    const AnsiText windowItself;
    selectSection(geometrySection(name));
    const int state = clampToInt(readNumber(
        platform::ansi("位置"),
        controls.numberAttribute(windowItself, batch::ControlAttribute::PlacementState)));
    controls.setNumberAttribute(windowItself, batch::ControlAttribute::PlacementState, state);
    if (state >= minimisedState)
        return;
    for (const GeometryKey& entry : geometryKeys) {
        const int current = controls.numberAttribute(windowItself, entry.attribute);
        controls.setNumberAttribute(windowItself, entry.attribute,
                                    clampToInt(readNumber(platform::ansi(entry.key), current)));
    }
}

} // namespace settings
