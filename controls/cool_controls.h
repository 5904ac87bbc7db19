// RegisterCoolControls: keeps every skinned control class linked, so that designs can name it.
#pragma once

namespace kiv {

// A program whose designs name a skinned control class its code never mentions calls this
// once. Registers TCoolLabel, TCoolScrollingText, TCoolGroupBox, TCoolBevel and TGauge.
void RegisterCoolControls();

}  // namespace kiv
