// The controller list window: every screen of the settings file as one row of ten texts. Rows
// are added, modified and deleted through the parameter window, imported from and exported to
// an exchange file, and written back to the settings file on OK, as one all-or-nothing update.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/base/file_failure.h"
#include "core/screens/screen_list_file.h"
#include "core/screens/screen_row_codec.h"
#include "core/screens/settings_file.h"
#include "ui/config/screen_list_services.h"
#include "ui/framework/controls.h"
#include "ui/framework/dialog.h"
#include "ui/framework/message_table.h"

// Texts of the list window's message boxes.
inline constexpr char kSelectToModifyText[] = "请选择要修改的项";
inline constexpr char kSelectToDeleteText[] = "请选择要删除的项";
inline constexpr char kListFullText[] = "列表已满：最多只能配置300张卡。";
// "%d": the number of screens in the file.
inline constexpr char kTooManyScreensFormat[] =
    "配置文件中有%d张卡，列表只显示前300张；按确定将只保存这300张。";
// "%s": why the settings file could not be read when the window opened.
inline constexpr char kUnreadableSettingsFormat[] =
    "配置文件无法读取，列表为空；按确定不会覆盖该文件。\r\n原因：%s";
// OK on a list that was not read from the settings file. "%s": why it could not be read.
inline constexpr char kNotReadNotSavedFormat[] =
    "参数没有保存，配置文件保持原样：打开本窗口时配置文件无法读取，列表不是从它读出的。\r\n"
    "原因：%s\r\n请关闭本窗口，再重新打开参数设置。";
// "%s": why the file could not be written.
inline constexpr char kSaveFailedFormat[] = "参数没有保存，配置文件保持原样。\r\n原因：%s";
// "%s": the chosen path.
inline constexpr char kImportNoFileFormat[] = "导入失败：文件不存在。\r\n%s";
// "%s": the chosen path, then why it could not be read.
inline constexpr char kImportUnreadableFormat[] = "导入失败：文件无法读取：%s\r\n原因：%s";
// "%s": the chosen path.
inline constexpr char kImportNotAnsiFormat[] =
    "导入失败：文件不是ANSI（GBK）编码，无法读取。列表保持不变。\r\n%s";
// "%s": the chosen path.
inline constexpr char kImportTooLargeFormat[] =
    "导入失败：文件大于1MB，不是导出的控制卡文件，没有读取。列表保持不变。\r\n%s";
// "%d": ScreenCount of the chosen file.
inline constexpr char kImportNoScreensFormat[] =
    "导入失败：文件的ScreenCount为%"
    "d，但文件中没有任何Screen段，不是导出的控制卡文件。列表保持不变。";
// "%d": the screens of the file, then the screens left out.
inline constexpr char kImportCutFormat[] =
    "文件中有%d张卡，列表最多300张：只导入了前300张，%d张没有导入。";
// "%d": ScreenCount of the file, the screens it names without a section, the rows imported.
inline constexpr char kImportMissingFormat[] =
    "文件的ScreenCount为%d，其中%d张在文件中没有Screen段；导入了%d张卡。";
// "%d": ScreenCount of the file, the screens it names without a section, the rows imported,
// the screens left out past the limit.
inline constexpr char kImportMissingAndCutFormat[] =
    "文件的ScreenCount为%d，其中%d张在文件中没有Screen段；导入了%d张卡，"
    "另有%d张因列表最多300张没有导入。";
// "%s": the chosen path, then why it could not be written.
inline constexpr char kExportFailedFormat[] = "文件没有保存：%s\r\n原因：%s";

class CCreateIniFile : public tk::ui::Dialog {
public:
    // settings: the settings file the list is read from and written to; editor and files: the
    // window one screen is edited in and the exchange file's dialogs.
    CCreateIniFile(tk::ISettingsFile& settings, tk::ui::IScreenEditor& editor,
                   tk::ui::IFileChooser& files);

    // Hears of each save of the list into the settings file: an empty text when it was saved,
    // else the reason it was not.
    void WatchSaves(std::function<void(const std::string& notSaved)> watcher) {
        m_saveWatcher = std::move(watcher);
    }

    // The texts of row `index` as the list shows them.
    tk::ScreenRow Row(int index) const;
    int RowCount() const;

protected:
    BOOL OnInitDialog() override;
    bool DoDataExchange(bool take) override;
    bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnOK() override;

private:
    void OnAdd();
    void OnModify();
    void OnDelete();
    void OnImport();
    void OnExport();
    LRESULT OnDoubleClick(NMHDR& header, bool& handled);
    void OnShowLoadNotice();
    void ShowImportFailure(const std::string& path, const tk::FileFailure& failure);
    void ShowImportSummary(const tk::ExchangeImport& imported);

    void LoadRows();
    void ReplaceRows(const std::vector<tk::ScreenRow>& rows);
    void ModifyRow(int index);
    // Replaces the texts of row `index` with `row`; the model text is the row's own text.
    void SetRowTexts(int index, const tk::ScreenRow& row);
    int FirstSelectedRow() const;

    static const tk::ui::MessageTable<CCreateIniFile> kMessageTable;

    tk::ui::ListView m_list;
    tk::ISettingsFile& m_settings;
    std::function<void(const std::string&)> m_saveWatcher;
    int m_nextRow = 0;  // where the add action puts its row
    tk::ui::IScreenEditor& m_editor;
    tk::ui::IFileChooser& m_files;
    int m_screensInFile = 0;    // ScreenCount as read when the window opened
    tk::FileFailure m_notRead;  // why the file was not read when the window opened, if it was not
};
