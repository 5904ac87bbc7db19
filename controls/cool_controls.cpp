// RegisterCoolControls: one mention of each skinned control class.
#include "controls/cool_controls.h"

#include "controls/cool_bevel.h"
#include "controls/cool_group_box.h"
#include "controls/cool_label.h"
#include "controls/cool_scrolling_text.h"
#include "controls/gauge.h"
#include "framework/class_registry.h"
#include "framework/exception.h"

namespace kiv {

void RegisterCoolControls() {
    const ClassInfo* classes[] = {ClassInfoOf<TCoolLabel>(), ClassInfoOf<TCoolScrollingText>(),
                                  ClassInfoOf<TCoolGroupBox>(), ClassInfoOf<TCoolBevel>(),
                                  ClassInfoOf<TGauge>()};
    for (const ClassInfo* info : classes) {
        if (!info) throw EComponentError("A skinned control class is not registered");
    }
}

}  // namespace kiv
