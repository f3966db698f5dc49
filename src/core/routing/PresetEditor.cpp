#include "core/routing/PresetEditor.h"

namespace quorvane::routing {

void PresetEditor::chooseAllFrom(int index) {
    if (index < AllFromSelectInput || index > AllFromPortToPort)
        return;
    allFrom_ = index;
    for (int output = 1; output <= OutputCount; ++output) {
        if (index == AllFromPortToPort)
            setOutFrom(output, output - 1);
        else if (index != AllFromSelectInput)
            setOutFrom(output, index - 1);
    }
}

} // namespace quorvane::routing
