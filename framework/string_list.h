// TStringList: the framework's TStrings held in memory, with change notices.
#pragma once

#include <string>
#include <vector>

#include "framework/event.h"
#include "framework/strings.h"

namespace kiv {

class TStringList : public TStrings {
public:
    int Count() const override { return static_cast<int>(m_lines.size()); }
    const std::string& Strings(int index) const override;
    void SetStrings(int index, const std::string& text) override;
    void Insert(int index, const std::string& text) override;
    void Delete(int index) override;
    void Clear() override;

    // Raised before and after each change, and once for a whole BeginUpdate..EndUpdate.
    const TNotifyEvent& OnChanging() const { return m_onChanging; }
    void SetOnChanging(TNotifyEvent handler) { m_onChanging = std::move(handler); }
    const TNotifyEvent& OnChange() const { return m_onChange; }
    void SetOnChange(TNotifyEvent handler) { m_onChange = std::move(handler); }

protected:
    void SetUpdateState(bool updating) override;
    virtual void Changing();
    virtual void Changed();

private:
    void CheckIndex(int index, int limit) const;

    std::vector<std::string> m_lines;
    TNotifyEvent m_onChanging;
    TNotifyEvent m_onChange;
};

}  // namespace kiv
