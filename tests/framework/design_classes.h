// Small registered classes with one property of every kind, for the design reader and writer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/collection.h"
#include "framework/collection_item.h"
#include "framework/component.h"
#include "framework/enum_set.h"
#include "framework/event.h"
#include "framework/string_list.h"

namespace kiv::test {

enum class TShade { shLight, shDark, shNone };
enum class TOption { ooBold, ooItalic, ooUnderline };
using TOptions = EnumSet<TOption>;

}  // namespace kiv::test

namespace kiv {
template <>
struct EnumInfo<test::TShade> {
    static constexpr std::array<std::string_view, 3> names{"shLight", "shDark", "shNone"};
};
template <>
struct EnumInfo<test::TOption> {
    static constexpr std::array<std::string_view, 3> names{"ooBold", "ooItalic", "ooUnderline"};
};
}  // namespace kiv

namespace kiv::test {

// What the widgets saw, shared by a root and its components.
struct Journal {
    std::vector<std::string> entries;
    int constructed = 0;
    int destroyed = 0;
};

class TTestFont : public TPersistent {
public:
    const std::string& Name() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    int Size() const { return m_size; }
    void SetSize(int size) { m_size = size; }
    std::int32_t Color() const { return m_color; }
    void SetColor(std::int32_t color) { m_color = color; }

private:
    std::string m_name;
    int m_size = 8;
    std::int32_t m_color = 0;
};

class TTestItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    const std::string& Caption() const { return m_caption; }
    void SetCaption(const std::string& caption) { m_caption = caption; }
    int Weight() const { return m_weight; }
    void SetWeight(int weight) { m_weight = weight; }
    // A plain pointer: items are not components and get no removal notices.
    TComponent* Partner() const { return m_partner; }
    void SetPartner(TComponent* partner) { m_partner = partner; }

private:
    std::string m_caption;
    int m_weight = 0;
    TComponent* m_partner = nullptr;
};

class TWidget : public TComponent {
public:
    explicit TWidget(TComponent* owner);
    ~TWidget() override;

    const std::string& Caption() const { return m_caption; }
    void SetCaption(const std::string& caption);
    std::int32_t Count() const { return m_count; }
    void SetCount(std::int32_t count);
    std::int64_t Big() const { return m_big; }
    void SetBig(std::int64_t big) { m_big = big; }
    std::uint8_t Small() const { return m_small; }
    void SetSmall(std::uint8_t small) { m_small = small; }
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    double Ratio() const { return m_ratio; }
    void SetRatio(double ratio) { m_ratio = ratio; }
    TShade Shade() const { return m_shade; }
    void SetShade(TShade shade);
    TOptions Options() const { return m_options; }
    void SetOptions(TOptions options) { m_options = options; }
    TTestFont* Font() const { return m_font.get(); }
    TStrings* Lines() const { return m_lines.get(); }
    TCollection* Items() const { return m_items.get(); }
    TWidget* Partner() const { return m_partner; }
    void SetPartner(TWidget* partner);
    const std::string& Secret() const { return m_secret; }
    void SetSecret(const std::string& secret) { m_secret = secret; }
    const TNotifyEvent& OnClick() const { return m_onClick; }
    void SetOnClick(TNotifyEvent handler) { m_onClick = std::move(handler); }
    const Event<TObject*, bool&>& OnQuery() const { return m_onQuery; }
    void SetOnQuery(Event<TObject*, bool&> handler) { m_onQuery = std::move(handler); }

    std::vector<std::uint8_t> blob;  // stored through DefineProperties as "Blob"

    void DefineProperties(TFiler& filer) override;
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override { return m_parent; }
    void SetParentComponent(TComponent* parent) override { m_parent = parent; }
    void GetChildren(const std::function<void(TComponent&)>& proc,
                     const TComponent* root) const override;

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void Log(const std::string& what) const;
    Journal* TheJournal() const;

private:
    Journal* m_journal = nullptr;  // of the root that owns this widget
    std::string m_caption;
    std::int32_t m_count = 0;
    std::int64_t m_big = 0;
    std::uint8_t m_small = 0;
    bool m_enabled = true;
    double m_ratio = 0.0;
    TShade m_shade = TShade::shLight;
    TOptions m_options;
    std::unique_ptr<TTestFont> m_font = std::make_unique<TTestFont>();
    std::unique_ptr<TStringList> m_lines = std::make_unique<TStringList>();
    std::unique_ptr<TCollection> m_items;
    TWidget* m_partner = nullptr;
    TComponent* m_parent = nullptr;
    std::string m_secret;
    TNotifyEvent m_onClick;
    Event<TObject*, bool&> m_onQuery;
};

// A root that publishes handlers and keeps the journal.
class TTestRoot : public TWidget {
public:
    explicit TTestRoot(TComponent* owner) : TWidget(owner) {}
    Journal* journal = nullptr;  // must outlive the root

    void ButtonClick(TObject* sender);
    void AskQuery(TObject* sender, bool& answer);
    void GetChildren(const std::function<void(TComponent&)>& proc,
                     const TComponent* root) const override;
};

// A component without parent or properties of its own.
class TPlain : public TComponent {
public:
    explicit TPlain(TComponent* owner) : TComponent(owner) {}
};

}  // namespace kiv::test
