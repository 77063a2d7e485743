#include "ui/config/screen_list_dlg.h"

#include <cstdio>

#include "core/base/text_format.h"
#include "core/screens/screen_list_file.h"
#include "core/store/settings.h"
#include "resources/resource.h"

namespace {

using Entry = tk::ui::MessageEntry<CCreateIniFile>;

// Posted by the opening so that its notice shows over the visible window.
constexpr UINT kShowLoadNotice = WM_APP + 1;

// The rows of the list, top to bottom.
std::vector<tk::ScreenRow> RowsOf(const CCreateIniFile& window) {
    std::vector<tk::ScreenRow> rows;
    for (int i = 0; i < window.RowCount(); ++i) rows.push_back(window.Row(i));
    return rows;
}

}  // namespace

const tk::ui::MessageTable<CCreateIniFile> CCreateIniFile::kMessageTable = {
    Entry::Command(IDC_LIST_IMPORT, BN_CLICKED, &CCreateIniFile::OnImport),
    Entry::Command(IDC_LIST_ADD, BN_CLICKED, &CCreateIniFile::OnAdd),
    Entry::Command(IDC_LIST_MODIFY, BN_CLICKED, &CCreateIniFile::OnModify),
    Entry::Command(IDC_LIST_DELETE, BN_CLICKED, &CCreateIniFile::OnDelete),
    Entry::Command(IDC_LIST_EXPORT, BN_CLICKED, &CCreateIniFile::OnExport),
    Entry::Notify(IDC_LIST_SCREENS, NM_DBLCLK, &CCreateIniFile::OnDoubleClick),
    Entry::Signal(kShowLoadNotice, &CCreateIniFile::OnShowLoadNotice),
};

CCreateIniFile::CCreateIniFile(tk::ISettingsFile& settings, tk::ui::IScreenEditor& editor,
                               tk::ui::IFileChooser& files)
    : tk::ui::Dialog(IDD_SCREEN_LIST), m_settings(settings), m_editor(editor), m_files(files) {
    // A failed import or edit (out of memory, say) must not take the operator's edits with it.
    StayOpenOnHandlerFailure();
}

tk::ScreenRow CCreateIniFile::Row(int index) const {
    tk::ScreenRow row;
    for (size_t column = 0; column < row.size(); ++column) {
        row[column] = m_list.GetItemText(index, static_cast<int>(column));
    }
    return row;
}

int CCreateIniFile::RowCount() const { return m_list.GetItemCount(); }

// The list in report view with grid lines and whole-row selection, its ten columns, and the
// screens of the settings file.
BOOL CCreateIniFile::OnInitDialog() {
    tk::ui::Dialog::OnInitDialog();
    const LONG style = ::GetWindowLongA(m_list.Hwnd(), GWL_STYLE);
    ::SetWindowLongA(m_list.Hwnd(), GWL_STYLE, (style & ~LVS_TYPEMASK) | LVS_REPORT);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    for (size_t column = 0; column < tk::kListColumns.size(); ++column) {
        m_list.InsertColumn(static_cast<int>(column), tk::kListColumns[column].title,
                            tk::kListColumns[column].width);
    }
    LoadRows();
    if (m_notRead.Failed() || m_screensInFile > tk::kMaxScreens) {
        ::PostMessageA(Hwnd(), kShowLoadNotice, 0, 0);
    }
    return TRUE;
}

bool CCreateIniFile::DoDataExchange(bool take) {
    tk::ui::DataExchange dx(Hwnd(), take);
    dx.Control(IDC_LIST_SCREENS, m_list);
    return dx.Ok();
}

bool CCreateIniFile::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return kMessageTable.Dispatch(*this, message, wParam, lParam, result);
}

// Rows from the settings file, read through one parse of it; at most as many as the main
// window's roster holds.
void CCreateIniFile::LoadRows() {
    const tk::SettingsRows loaded = m_settings.LoadSettingsRows(tk::kMaxScreens);
    m_notRead = loaded.notRead;
    m_screensInFile = loaded.screenCount;
    ReplaceRows(loaded.rows);
}

// The list shows exactly these rows. It is not redrawn meanwhile: a redraw per row would cost
// more than all the rest.
void CCreateIniFile::ReplaceRows(const std::vector<tk::ScreenRow>& rows) {
    ::SendMessageA(m_list.Hwnd(), WM_SETREDRAW, FALSE, 0);
    m_list.DeleteAllItems();
    for (size_t i = 0; i < rows.size(); ++i) {
        m_list.InsertItem(static_cast<int>(i), rows[i][tk::kColumnModel]);
        SetRowTexts(static_cast<int>(i), rows[i]);
    }
    ::SendMessageA(m_list.Hwnd(), WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_list.Hwnd(), nullptr, TRUE);
}

// The list does not show the file as it is: the operator learns it over the window and its
// rows. The dialog manager shows a modal window only once its queue is empty, which this posted
// message is not, so the window is shown here first.
void CCreateIniFile::OnShowLoadNotice() {
    ::ShowWindow(Hwnd(), SW_SHOW);
    ::UpdateWindow(Hwnd());
    if (m_notRead.Failed()) {
        MessageBox(tk::Formatted(kUnreadableSettingsFormat, tk::FailureReason(m_notRead).c_str()),
                   MB_OK | MB_ICONERROR);
    } else {
        MessageBox(tk::Formatted(kTooManyScreensFormat, m_screensInFile), MB_OK | MB_ICONWARNING);
    }
}

void CCreateIniFile::SetRowTexts(int index, const tk::ScreenRow& row) {
    for (size_t column = 0; column < row.size(); ++column) {
        m_list.SetItemText(index, static_cast<int>(column), row[column]);
    }
}

int CCreateIniFile::FirstSelectedRow() const { return m_list.GetNextItem(-1, LVNI_SELECTED); }

// IDC_LIST_ADD: a new screen, numbered after the last row, always appended.
void CCreateIniFile::OnAdd() {
    if (RowCount() >= tk::kMaxScreens) {
        MessageBox(kListFullText, MB_OK | MB_ICONWARNING);
        return;
    }
    tk::ScreenRow row;
    if (!m_editor.EditScreen(Hwnd(), RowCount() + 1, nullptr, row)) return;
    m_nextRow = RowCount();
    m_list.InsertItem(m_nextRow, row[tk::kColumnModel]);
    SetRowTexts(m_nextRow, row);
    ++m_nextRow;
}

// IDC_LIST_MODIFY: the first selected row.
void CCreateIniFile::OnModify() {
    const int index = FirstSelectedRow();
    if (index < 0) {
        MessageBox(kSelectToModifyText, MB_OK);
        return;
    }
    ModifyRow(index);
}

// A double-click on a row modifies that row; one beside the rows does nothing.
LRESULT CCreateIniFile::OnDoubleClick(NMHDR& header, bool&) {
    const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
    if (activate.iItem >= 0 && activate.iItem < RowCount()) ModifyRow(activate.iItem);
    return 0;
}

void CCreateIniFile::ModifyRow(int index) {
    const tk::ScreenRow given = Row(index);
    tk::ScreenRow edited;
    if (m_editor.EditScreen(Hwnd(), index + 1, &given, edited)) SetRowTexts(index, edited);
}

// IDC_LIST_DELETE: the first selected row goes at once; other selected rows stay.
void CCreateIniFile::OnDelete() {
    const int index = FirstSelectedRow();
    if (index < 0) {
        MessageBox(kSelectToDeleteText, MB_OK);
        return;
    }
    m_list.DeleteItem(index);
}

// Writes ScreenCount and every row to the settings file in one replace of the file; when that
// fails the file keeps its old bytes and the window stays open with every edit. A list that was
// not read from the file is never written over it, even if the file can be read by now: its
// screens would all be lost.
void CCreateIniFile::OnOK() {
    if (m_notRead.Failed()) {
        MessageBox(tk::Formatted(kNotReadNotSavedFormat, tk::FailureReason(m_notRead).c_str()),
                   MB_OK | MB_ICONERROR);
        return;
    }
    tk::FileFailure why;
    if (!m_settings.SaveSettingsRows(RowsOf(*this), &why)) {
        const std::string reason = tk::FailureReason(why);
        if (m_saveWatcher) m_saveWatcher(reason);
        MessageBox(tk::Formatted(kSaveFailedFormat, reason.c_str()), MB_OK | MB_ICONERROR);
        return;
    }
    if (m_saveWatcher) m_saveWatcher({});
    EndDialog(IDOK);
}

// IDC_LIST_IMPORT: the rows of an exchange file replace the list.
void CCreateIniFile::OnImport() {
    std::string path;
    if (!m_files.ChooseOpenPath(Hwnd(), path)) return;
    const tk::ExchangeImport imported = tk::ReadExchangeFile(path, tk::kMaxScreens);
    if (imported.failure.Failed()) {
        ShowImportFailure(path, imported.failure);
        return;
    }
    if (imported.NoScreenSections()) {
        MessageBox(tk::Formatted(kImportNoScreensFormat, imported.screenCount),
                   MB_OK | MB_ICONERROR);
        return;
    }
    ReplaceRows(imported.rows);
    ShowImportSummary(imported);
}

// Why the chosen file was not imported. Three cases have texts of their own for the import; any
// other reason is the one the failure gives.
void CCreateIniFile::ShowImportFailure(const std::string& path, const tk::FileFailure& failure) {
    using Kind = tk::FileFailure::Kind;
    std::string text;
    switch (failure.kind) {
        case Kind::kMissing:
            text = tk::Formatted(kImportNoFileFormat, path.c_str());
            break;
        case Kind::kNotAnsi:
            text = tk::Formatted(kImportNotAnsiFormat, path.c_str());
            break;
        case Kind::kTooLarge:
            text = tk::Formatted(kImportTooLargeFormat, path.c_str());
            break;
        default:
            text = tk::Formatted(kImportUnreadableFormat, path.c_str(),
                                 tk::FailureReason(failure).c_str());
            break;
    }
    MessageBox(text, MB_OK | MB_ICONERROR);
}

// When not every screen the file names became a row, how many did and what became of the rest.
void CCreateIniFile::ShowImportSummary(const tk::ExchangeImport& imported) {
    const int rows = static_cast<int>(imported.rows.size());
    std::string text;
    if (imported.missing > 0 && imported.leftOut > 0) {
        text = tk::Formatted(kImportMissingAndCutFormat, imported.screenCount, imported.missing,
                             rows, imported.leftOut);
    } else if (imported.missing > 0) {
        text = tk::Formatted(kImportMissingFormat, imported.screenCount, imported.missing, rows);
    } else if (imported.leftOut > 0) {
        text = tk::Formatted(kImportCutFormat, imported.screenCount, imported.leftOut);
    }
    if (!text.empty()) MessageBox(text, MB_OK | MB_ICONWARNING);
}

// IDC_LIST_EXPORT (hidden): the rows into an exchange file; the list stays as it is.
void CCreateIniFile::OnExport() {
    std::string path;
    if (!m_files.ChooseSavePath(Hwnd(), path)) return;
    tk::FileFailure why;
    if (!tk::SaveExchangeFile(path, RowsOf(*this), &why)) {
        MessageBox(tk::Formatted(kExportFailedFormat, path.c_str(), tk::FailureReason(why).c_str()),
                   MB_OK | MB_ICONERROR);
    }
}
