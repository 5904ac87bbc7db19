// RegisterStdControls: one mention of each plain control class.
#include "framework/stdctrls/std_controls.h"

#include "framework/class_registry.h"
#include "framework/exception.h"
#include "framework/stdctrls/bevel.h"
#include "framework/stdctrls/custom_group_box.h"
#include "framework/stdctrls/directory_list_box.h"
#include "framework/stdctrls/drive_combo_box.h"
#include "framework/stdctrls/image.h"
#include "framework/stdctrls/label.h"

namespace kiv {

void RegisterStdControls() {
    const ClassInfo* classes[] = {ClassInfoOf<TImage>(),           ClassInfoOf<TCustomLabel>(),
                                  ClassInfoOf<TLabel>(),           ClassInfoOf<TBevel>(),
                                  ClassInfoOf<TCustomGroupBox>(),  ClassInfoOf<TDriveComboBox>(),
                                  ClassInfoOf<TDirectoryListBox>()};
    for (const ClassInfo* info : classes) {
        if (!info) throw EComponentError("A plain control class is not registered");
    }
}

}  // namespace kiv
