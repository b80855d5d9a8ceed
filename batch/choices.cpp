#include "batch/choices.h"

namespace batch {

std::string_view commandLineName(const Choice& choice) {
    return choice.group == ChoiceGroup::Script
               ? engine::scriptModeName(static_cast<engine::ScriptMode>(choice.value))
               : engine::encodingName(static_cast<engine::TextEncoding>(choice.value));
}

const Choice* findChoiceByName(ChoiceGroup group, std::string_view name) {
    for (const Choice& choice : choiceTable)
        if (choice.group == group && commandLineName(choice) == name)
            return &choice;
    return nullptr;
}

} // namespace batch
