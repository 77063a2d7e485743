// Times the controller list window on a settings file of 300 screens under Wine: opening it
// (the rows loaded through one parse of the file), saving it with OK (one replace of the file),
// importing and exporting an exchange file of 300 screens. In the same run it times the profile
// API doing the same reads and writes one key per call, the way the window would otherwise do
// them, and prints the ratios. Goals: each of the window's four actions at most 200 ms.
//   scripts/wine-run build/windows/bench/win/config_windows_bench.exe [runs]
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/win/bench_util.h"
#include "core/screens/screen_list_file.h"
#include "core/screens/screen_row_codec.h"
#include "core/store/settings.h"
#include "resources/resource.h"
#include "tests/win/scripted_files.h"
#include "ui/config/screen_list_dlg.h"

namespace {

constexpr int kScreens = 300;
constexpr const char* kSettingsKeys[] = {
    "CardType",   "CardAddress", "CommunicationMode", "ScreemHeight", "ScreemWidth",
    "SerialBaud", "SerialNum",   "NetPort",           "IpAddress0",   "IpAddress1",
    "IpAddress2", "IpAddress3",  "ColorStyle"};

std::vector<tk::ScreenRow> SampleRows() {
    std::vector<tk::ScreenRow> rows;
    for (int i = 0; i < kScreens; ++i) {
        rows.push_back({"TK300", std::to_string(i + 1), i % 2 ? "网络通讯" : "串口通讯",
                        "COM" + std::to_string(i % 17 + 1), "57600", "5005",
                        "10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1),
                        "双色", "128", "32"});
    }
    return rows;
}

struct Figures {
    std::vector<double> open, save, import, exportFile, apiReadOld, apiReadNew, apiWrite;
};

void OneRun(const std::string& dir, Figures& figures) {
    const std::string settings = dir + "\\TK100_Dll_Set.ini";
    const std::string exchange = dir + "\\exchange.ini";
    const std::vector<tk::ScreenRow> rows = SampleRows();
    ::DeleteFileA(settings.c_str());
    tk::SaveSettingsRows(settings, rows);
    const std::string api = dir + "\\api.ini";
    ::CopyFileA(settings.c_str(), api.c_str(), FALSE);

    // The profile API reading every key of the 300 screens, once with the file unchanged for
    // an hour and once right after it changed.
    auto apiRead = [&api] {
        ::GetPrivateProfileIntA("CONT", "ScreenCount", 0, api.c_str());
        for (int i = 0; i < kScreens; ++i) {
            const std::string section = tk::ScreenSectionName(i);
            for (const char* key : kSettingsKeys) {
                ::GetPrivateProfileIntA(section.c_str(), key, 0, api.c_str());
            }
        }
    };
    tk_bench::DateBack(api);
    figures.apiReadOld.push_back(tk_bench::TimeMs(apiRead));
    ::WritePrivateProfileStringA("CONT", "nSel", "1", api.c_str());
    figures.apiReadNew.push_back(tk_bench::TimeMs(apiRead));
    figures.apiWrite.push_back(tk_bench::TimeMs([&] {
        ::WritePrivateProfileStringA("CONT", "ScreenCount", "300", api.c_str());
        for (int i = 0; i < kScreens; ++i) {
            const std::string section = tk::ScreenSectionName(i);
            for (const auto& [key, value] : tk::SettingsKeyValues(rows[i])) {
                ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                             api.c_str());
            }
        }
    }));

    tk_test::ScriptedFiles files;
    files.openPath = files.savePath = exchange;
    tk::ui::ParameterWindowEditor editor;
    tk_test::SettingsFileAt settingsFile(settings);
    CCreateIniFile window(settingsFile.file, editor, files);
    figures.open.push_back(tk_bench::TimeMs([&] { window.Create(); }));
    ::DeleteFileA(exchange.c_str());
    figures.exportFile.push_back(tk_bench::TimeMs(
        [&] { ::SendDlgItemMessageA(window.Hwnd(), IDC_LIST_EXPORT, BM_CLICK, 0, 0); }));
    figures.import.push_back(tk_bench::TimeMs(
        [&] { ::SendDlgItemMessageA(window.Hwnd(), IDC_LIST_IMPORT, BM_CLICK, 0, 0); }));
    if (window.RowCount() != kScreens) std::printf("import gave %d rows\n", window.RowCount());
    figures.save.push_back(tk_bench::TimeMs(
        [&] { ::SendMessageA(window.Hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }));
    if (window.EndResult() != IDOK) std::printf("OK did not close the window\n");
}

void Report(const char* what, const std::vector<double>& ours, const char* reference,
            const std::vector<double>& theirs) {
    const double a = tk_bench::Median(ours), b = tk_bench::Median(theirs);
    std::printf("%-22s %8.1f ms  (goal <= 200 ms: %s)   %-34s %8.1f ms   ratio %.3f\n", what, a,
                a <= 200 ? "met" : "MISSED", reference, b, a / b);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES;
    ::InitCommonControlsEx(&controls);
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "tk-config-bench";
    ::CreateDirectoryA(dir.c_str(), nullptr);

    Figures figures;
    for (int run = 0; run < runs; ++run) OneRun(dir, figures);

    std::printf("controller list window, %d screens, median of %d runs\n", kScreens, runs);
    Report("open (load rows)", figures.open, "API read, file unchanged", figures.apiReadOld);
    Report("open (load rows)", figures.open, "API read, file just changed", figures.apiReadNew);
    Report("OK (save)", figures.save, "API write, one call per key", figures.apiWrite);
    Report("import 300 screens", figures.import, "API read, file unchanged", figures.apiReadOld);
    Report("export 300 screens", figures.exportFile, "API write, one call per key",
           figures.apiWrite);
    for (const char* name : {"TK100_Dll_Set.ini", "api.ini", "exchange.ini"}) {
        ::DeleteFileA((dir + "\\" + name).c_str());
    }
    ::RemoveDirectoryA(dir.c_str());
    return 0;
}
