// The dialog layer under the names the application's dialogs are written
// with (CDialog, CEdit, IDOK, BN_CLICKED, ...), in the global namespace.
// Include this in dialog code; the layer itself stays in platform::ui.
#pragma once

#include "platform/MessageBox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/FileDialog.h"

using platform::ui::AfxMessageBox;
using platform::ui::BOOL;
using platform::ui::CButton;
using platform::ui::CComboBox;
using platform::ui::CDataExchange;
using platform::ui::CDialog;
using platform::ui::CEdit;
using platform::ui::CFileDialog;
using platform::ui::CFont;
using platform::ui::CListBox;
using platform::ui::CListCtrl;
using platform::ui::CPoint;
using platform::ui::CProgressCtrl;
using platform::ui::CRect;
using platform::ui::CStatic;
using platform::ui::CWnd;
using platform::ui::DDX_Control;

using platform::ui::BN_CLICKED;
using platform::ui::BST_CHECKED;
using platform::ui::BST_UNCHECKED;
using platform::ui::CBN_SELCHANGE;
using platform::ui::EN_CHANGE;
using platform::ui::FALSE;
using platform::ui::IDABORT;
using platform::ui::IDC_STATIC;
using platform::ui::LBN_SELCHANGE;
using platform::ui::LVCFMT_CENTER;
using platform::ui::LVCFMT_LEFT;
using platform::ui::LVCFMT_RIGHT;
using platform::ui::LVNI_SELECTED;
using platform::ui::MK_CONTROL;
using platform::ui::MK_LBUTTON;
using platform::ui::MK_RBUTTON;
using platform::ui::MK_SHIFT;
using platform::ui::OFN_EXPLORER;
using platform::ui::OFN_EXTENSIONDIFFERENT;
using platform::ui::OFN_FILEMUSTEXIST;
using platform::ui::OFN_HIDEREADONLY;
using platform::ui::OFN_OVERWRITEPROMPT;
using platform::ui::OFN_PATHMUSTEXIST;
using platform::ui::SW_HIDE;
using platform::ui::SW_SHOW;
using platform::ui::TRUE;

using platform::IDCANCEL;
using platform::IDOK;
using platform::MB_ICONEXCLAMATION;
using platform::MB_ICONINFORMATION;
using platform::MB_ICONQUESTION;
using platform::MB_ICONSTOP;
using platform::MB_OK;
using platform::MB_OKCANCEL;
