// Registration and behaviour of the design test classes.
#include "tests/framework/design_classes.h"

#include "framework/class_registry.h"
#include "framework/filer.h"
#include "framework/memory_stream.h"

namespace kiv::test {

namespace {

constexpr IdentValue kColors[] = {{"clBlack", 0}, {"clWhite", 0xFFFFFF}, {"clRed", 0x0000FF}};

const bool registered =
    RegisterClass<TTestFont, TPersistent>(
        "TTestFont",
        {
            Prop("Name", &TTestFont::Name, &TTestFont::SetName),
            Prop("Size", &TTestFont::Size, &TTestFont::SetSize).Default(8),
            Prop("Color", &TTestFont::Color, &TTestFont::SetColor).Idents(kColors),
        }) &&
    RegisterClass<TTestItem, TCollectionItem>(
        "TTestItem",
        {
            Prop("Caption", &TTestItem::Caption, &TTestItem::SetCaption),
            Prop("Weight", &TTestItem::Weight, &TTestItem::SetWeight).Default(0),
            Prop("Partner", &TTestItem::Partner, &TTestItem::SetPartner),
        }) &&
    RegisterClass<TWidget, TComponent>(
        "TWidget",
        {
            Prop("Caption", &TWidget::Caption, &TWidget::SetCaption),
            Prop("Count", &TWidget::Count, &TWidget::SetCount).Default(0),
            Prop("Big", &TWidget::Big, &TWidget::SetBig).Default(0),
            Prop("Small", &TWidget::Small, &TWidget::SetSmall).Default(0),
            Prop("Enabled", &TWidget::Enabled, &TWidget::SetEnabled).Default(true),
            Prop("Ratio", &TWidget::Ratio, &TWidget::SetRatio).Default(0.0),
            Prop("Shade", &TWidget::Shade, &TWidget::SetShade).Default(TShade::shLight),
            Prop("Options", &TWidget::Options, &TWidget::SetOptions).Default(TOptions{}),
            Prop("Font", &TWidget::Font),
            Prop("Lines", &TWidget::Lines),
            Prop("Items", &TWidget::Items),
            Prop("Partner", &TWidget::Partner, &TWidget::SetPartner),
            Prop("Secret", &TWidget::Secret, &TWidget::SetSecret).Stored(false),
            Prop("OnClick", &TWidget::OnClick, &TWidget::SetOnClick),
            Prop("OnQuery", &TWidget::OnQuery, &TWidget::SetOnQuery),
        }) &&
    RegisterClass<TTestRoot, TWidget>("TTestRoot", {},
                                      {
                                          Method("ButtonClick", &TTestRoot::ButtonClick),
                                          Method("AskQuery", &TTestRoot::AskQuery),
                                      }) &&
    RegisterClass<TPlain, TComponent>("TPlain");

std::string StateText(TComponentState state) {
    std::string text;
    if (state.Contains(TComponentStateItem::csLoading)) text += 'L';
    if (state.Contains(TComponentStateItem::csReading)) text += 'R';
    return text;
}

}  // namespace

TWidget::TWidget(TComponent* owner)
    : TComponent(owner),
      m_items(std::make_unique<TCollection>(this, TCollection::ItemClass<TTestItem>())) {
    if (auto* root = dynamic_cast<TTestRoot*>(owner)) m_journal = root->journal;
    if (m_journal) ++m_journal->constructed;
}

TWidget::~TWidget() {
    if (m_journal) ++m_journal->destroyed;
}

Journal* TWidget::TheJournal() const {
    if (auto* root = dynamic_cast<const TTestRoot*>(this)) return root->journal;
    return m_journal;
}

void TWidget::Log(const std::string& what) const {
    if (Journal* journal = TheJournal())
        journal->entries.push_back(Name() + "." + what + "[" + StateText(ComponentState()) + "]");
}

void TWidget::SetCaption(const std::string& caption) {
    m_caption = caption;
    Log("Caption");
}

void TWidget::SetCount(std::int32_t count) {
    m_count = count;
    Log("Count");
}

void TWidget::SetEnabled(bool enabled) {
    m_enabled = enabled;
    Log("Enabled");
}

void TWidget::SetShade(TShade shade) {
    m_shade = shade;
    Log("Shade");
}

void TWidget::SetPartner(TWidget* partner) {
    if (m_partner) m_partner->RemoveFreeNotification(this);
    m_partner = partner;
    if (m_partner) m_partner->FreeNotification(this);
    Log("Partner");
}

void TWidget::Loaded() {
    TComponent::Loaded();
    Log("Loaded");
}

void TWidget::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == m_partner) m_partner = nullptr;
}

void TWidget::DefineProperties(TFiler& filer) {
    TComponent::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Blob",
        [this](TStream& stream) {
            blob.assign(static_cast<std::size_t>(stream.Size()), 0);
            stream.ReadBuffer(blob.data(), static_cast<std::int64_t>(blob.size()));
        },
        [this](TStream& stream) {
            stream.WriteBuffer(blob.data(), static_cast<std::int64_t>(blob.size()));
        },
        !blob.empty());
}

void TWidget::GetChildren(const std::function<void(TComponent&)>& proc,
                          const TComponent* root) const {
    for (int i = 0; i < root->ComponentCount(); ++i) {
        TComponent* component = root->Components(i);
        if (component->GetParentComponent() == this) proc(*component);
    }
}

void TTestRoot::ButtonClick(TObject* sender) {
    if (journal)
        journal->entries.push_back("clicked by " + static_cast<TComponent*>(sender)->Name());
}

void TTestRoot::AskQuery(TObject* /*sender*/, bool& answer) {
    answer = true;
}

void TTestRoot::GetChildren(const std::function<void(TComponent&)>& proc,
                            const TComponent* root) const {
    for (int i = 0; i < ComponentCount(); ++i) {
        TComponent* component = Components(i);
        if (!component->HasParent() || component->GetParentComponent() == this) proc(*component);
    }
    (void)root;
}

}  // namespace kiv::test
