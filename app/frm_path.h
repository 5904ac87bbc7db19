// TfrmPath: the target folder dialog: a drive box, a folder list, "New Dir" and "OK".
#pragma once

#include <cstdint>

#include "framework/forms/control_types.h"
#include "framework/forms/form.h"

namespace kiv {

class TCoolGroupBox;
class TCoolLabel;
class TDirectoryListBox;
class TfrmKIV;

// Created hidden at start-up, shown by the main window's "Path", which disables itself
// meanwhile; "OK" sets the target folder, hides the dialog and enables the main window again.
class TfrmPath : public TForm {
public:
    // Reads the dialog's design, which runs FormCreate.
    explicit TfrmPath(TComponent* owner);

    void FormCreate(TObject* sender);
    void btnOKClick(TObject* sender);
    void btnMkDirClick(TObject* sender);
    void btnOKMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void btnMkDirMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void kivNfoGrpMouseMove(TObject* sender, TShiftState shift, int x, int y);

    // The window whose release name "New Dir" proposes and which "OK" enables.
    void SetMainWindow(TfrmKIV* main) { m_main = main; }

    TDirectoryListBox& kivDirList() const { return *m_dirList; }

private:
    void FindComponents();

    TfrmKIV* m_main = nullptr;
    TCoolGroupBox* m_grp = nullptr;
    TCoolLabel* m_btnOK = nullptr;
    TCoolLabel* m_btnMkDir = nullptr;
    TDirectoryListBox* m_dirList = nullptr;
};

// The folder "New Dir" makes for `name` in the list's folder `dir`: `dir` + `name` at the root
// (a folder ending in '/'), else `dir` + '/' + `name`. The name is used as typed.
std::string NewFolderPath(const std::string& dir, const std::string& name);

}  // namespace kiv
