// TLabel: the label class window designs name.
#pragma once

#include "framework/stdctrls/custom_label.h"

namespace kiv {

class TLabel : public TCustomLabel {
public:
    explicit TLabel(TComponent* owner);
    ~TLabel() override;
};

}  // namespace kiv
