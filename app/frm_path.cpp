// TfrmPath: choosing the target folder and making a new one.
#include "app/frm_path.h"

#include "app/bundle.h"
#include "app/frm_kiv.h"
#include "app/installer_values.h"
#include "controls/cool_controls.h"
#include "controls/cool_group_box.h"
#include "controls/cool_label.h"
#include "framework/class_registry.h"
#include "framework/exception.h"
#include "framework/forms/dialogs.h"
#include "framework/stdctrls/directory_list_box.h"
#include "framework/stdctrls/label.h"
#include "framework/stdctrls/std_controls.h"
#include "platform/files.h"
#include "shape/transparent_form.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TfrmPath, TForm>(
    "TfrmPath", {},
    {Method("FormCreate", &TfrmPath::FormCreate), Method("btnOKClick", &TfrmPath::btnOKClick),
     Method("btnMkDirClick", &TfrmPath::btnMkDirClick),
     Method("btnOKMouseMove", &TfrmPath::btnOKMouseMove),
     Method("btnMkDirMouseMove", &TfrmPath::btnMkDirMouseMove),
     Method("kivNfoGrpMouseMove", &TfrmPath::kivNfoGrpMouseMove)});

template <typename T>
T* Part(const TComponent& owner, std::string_view name) {
    auto* part = dynamic_cast<T*>(owner.FindComponent(name));
    if (part == nullptr) throw Exception("The folder dialog's design lacks " + std::string(name));
    return part;
}

}  // namespace

std::string NewFolderPath(const std::string& dir, const std::string& name) {
    if (!dir.empty() && dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

TfrmPath::TfrmPath(TComponent* owner) : TForm(owner) {
    RegisterStdControls();
    RegisterCoolControls();
    if (ClassInfoOf<TTransparentForm>() == nullptr) {
        throw EComponentError("The shaped-window controller is not registered");
    }
    LoadDesign(bundle::PathDesign(), "kiv_path.kfm", bundle::Files());
    FindComponents();
}

void TfrmPath::FindComponents() {
    if (m_dirList != nullptr) return;
    m_grp = Part<TCoolGroupBox>(*this, "kivNfoGrp");
    m_btnOK = Part<TCoolLabel>(*this, "btnOK");
    m_btnMkDir = Part<TCoolLabel>(*this, "btnMkDir");
    m_dirList = Part<TDirectoryListBox>(*this, "kivDirList");
}

void TfrmPath::FormCreate(TObject*) {
    FindComponents();
    m_grp->SetCtl3D(false);
}

void TfrmPath::btnOKClick(TObject*) {
    Installer().TargetDir = m_dirList->Directory();
    Close();
    if (m_main != nullptr) m_main->SetEnabled(true);
}

void TfrmPath::btnMkDirClick(TObject*) {
    std::string name = m_main != nullptr ? m_main->lblRelease().Caption() : std::string();
    if (!InputQuery("Create new directory", "Type a name for the new directory:", name)) return;
    if (name.empty()) return;
    const std::string path = NewFolderPath(m_dirList->Directory(), name);
    if (!platform::DirectoryExists(path) && !platform::CreateDirectory(path)) {
        MessageBox("Cannot create directory", "Warning", MB_OK | MB_ICONWARNING);
        return;
    }
    m_dirList->SetDirectory(path);
}

void TfrmPath::btnOKMouseMove(TObject*, TShiftState, int, int) {
    m_btnOK->SetShadowSize(1);
}

void TfrmPath::btnMkDirMouseMove(TObject*, TShiftState, int, int) {
    m_btnMkDir->SetShadowSize(1);
}

void TfrmPath::kivNfoGrpMouseMove(TObject*, TShiftState, int, int) {
    m_btnOK->SetShadowSize(0);
    m_btnMkDir->SetShadowSize(0);
}

}  // namespace kiv
