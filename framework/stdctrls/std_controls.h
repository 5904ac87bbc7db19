// RegisterStdControls: keeps every plain control class linked, so that designs can name it.
#pragma once

namespace kiv {

// The classes register themselves when the program starts, but only those the linker keeps; a
// program whose designs name a class its code never mentions (a bevel, say) calls this once,
// which mentions them all. Registers TImage, TCustomLabel, TLabel, TBevel, TCustomGroupBox,
// TDriveComboBox and TDirectoryListBox.
void RegisterStdControls();

}  // namespace kiv
