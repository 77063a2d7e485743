#include "ui/config/screen_param_dlg.h"

#include <array>
#include <iterator>
#include <string>
#include <utility>

#include "core/base/dotted_address.h"
#include "core/base/failure_report.h"
#include "resources/resource.h"

namespace {

// Items of the serial-port and baud lists, put in by position: the lists are sorted, and adding
// them would order "COM10" before "COM2" and "115200" before "57600".
constexpr int kSerialPortCount = 17;
constexpr const char* kBaudItems[] = {"9600", "57600", "115200"};

// Registers the IP address control's window class, which the template needs before it can be
// built (the program's start-up registers only the common classes).
void RegisterIpAddressClass() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_INTERNET_CLASSES};
    if (!::InitCommonControlsEx(&controls)) {
        tk::ReportFailure("InitCommonControlsEx(ICC_INTERNET_CLASSES)");
    }
}

// Index of the item whose text equals text byte for byte, or CB_ERR. CB_FINDSTRINGEXACT ignores
// letter case, and the prefix search would take "COM1" for "COM10".
int FindExactItem(const tk::ui::ComboBox& list, const std::string& text) {
    const int count = list.GetCount();
    for (int i = 0; i < count; ++i) {
        if (list.GetLBText(i) == text) return i;
    }
    return CB_ERR;
}

}  // namespace

// The window's class registration happens here, before any opening can build the template.
CSrcreenParamDlg::CSrcreenParamDlg(int number) : tk::ui::Dialog(IDD_SCREEN_PARAM) {
    RegisterIpAddressClass();
    m_row[tk::kColumnAddress] = std::to_string(number);
    // The operator's entries stay in the window if a handler fails.
    StayOpenOnHandlerFailure();
}

// The four edits exchange plain texts; the lists and the IP control are bound as controls.
bool CSrcreenParamDlg::DoDataExchange(bool take) {
    tk::ui::DataExchange dx(Hwnd(), take);
    dx.Control(IDC_PARAM_MODEL, m_model);
    dx.Control(IDC_PARAM_COMM, m_comm);
    dx.Control(IDC_PARAM_SERIAL_PORT, m_serialPort);
    dx.Control(IDC_PARAM_BAUD, m_baud);
    dx.Control(IDC_PARAM_COLOUR, m_colour);
    dx.Control(IDC_PARAM_IP, m_ip);
    dx.Text(IDC_PARAM_NET_PORT, m_row[tk::kColumnNetPort]);
    dx.Text(IDC_PARAM_ADDRESS, m_row[tk::kColumnAddress]);
    dx.Text(IDC_PARAM_WIDTH, m_row[tk::kColumnWidth]);
    dx.Text(IDC_PARAM_HEIGHT, m_row[tk::kColumnHeight]);
    return dx.Ok();
}

// Fills the lists that the template leaves empty and shows the row: each list selects the item
// its text begins with, the serial-port list only the item its text equals.
BOOL CSrcreenParamDlg::OnInitDialog() {
    // A second opening of the same object must bind the new window's controls.
    tk::ui::Window* const controls[] = {&m_model, &m_comm,   &m_serialPort,
                                        &m_baud,  &m_colour, &m_ip};
    for (tk::ui::Window* control : controls) control->Detach();
    tk::ui::Dialog::OnInitDialog();
    m_colour.SetCurSel(0);
    for (int i = 0; i < kSerialPortCount; ++i) {
        m_serialPort.InsertString(i, "COM" + std::to_string(i + 1));
    }
    m_serialPort.SetCurSel(0);
    for (int i = 0; i < static_cast<int>(std::size(kBaudItems)); ++i) {
        m_baud.InsertString(i, kBaudItems[i]);
    }
    // CB_SELECTSTRING from index 0: the second item first, wrapping to the first. An empty text
    // is not looked up, so it leaves the selection alone even where a list would take the empty
    // prefix as matching every item.
    const std::pair<tk::ui::ComboBox*, size_t> prefixMatched[] = {
        {&m_baud, tk::kColumnBaud},
        {&m_colour, tk::kColumnColour},
        {&m_comm, tk::kColumnCommMode},
        {&m_model, tk::kColumnModel},
    };
    for (const auto& [list, column] : prefixMatched) {
        if (!m_row[column].empty()) list->SelectString(0, m_row[column]);
    }
    const int port = FindExactItem(m_serialPort, m_row[tk::kColumnSerialPort]);
    if (port != CB_ERR) m_serialPort.SetCurSel(port);
    // Wine's IP control ignores its window text: the fields are set as numbers. The text is
    // read as the settings write reads it ("%d.%d.%d.%d"); four numbers that the control's
    // fields cannot hold leave them blank.
    if (const auto fields = tk::ReadDottedAddress(m_row[tk::kColumnIp], tk::DottedRule::kScanf)) {
        m_ip.SetAddress(*fields);
    } else {
        m_ip.ClearAddress();
    }
    UpdateData(false);
    return TRUE;
}

// Takes the edits, the five selected items and the IP fields into the row, then closes. A list
// without a selection stops it with a message and the focus on that list; the row is then
// restored, so the caller never sees a half-read row.
void CSrcreenParamDlg::OnOK() {
    const tk::ScreenRow before = m_row;
    UpdateData(true);
    struct ReadList {
        tk::ui::ComboBox* list;
        size_t column;
        const char* missingText;
    };
    const ReadList lists[] = {
        {&m_colour, tk::kColumnColour, "请选择颜色。"},
        {&m_comm, tk::kColumnCommMode, "请选择通讯方式。"},
        {&m_model, tk::kColumnModel, "请选择控制卡型号。"},
        {&m_serialPort, tk::kColumnSerialPort, "请选择串口号。"},
        {&m_baud, tk::kColumnBaud, "请选择波特率。"},
    };
    for (const ReadList& read : lists) {
        const int selected = read.list->GetCurSel();
        if (selected == CB_ERR) {
            m_row = before;
            MessageBox(read.missingText, MB_OK | MB_ICONEXCLAMATION);
            ::SendMessageA(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(read.list->Hwnd()),
                           TRUE);
            return;
        }
        m_row[read.column] = read.list->GetLBText(selected);
    }
    std::array<BYTE, 4> fields{};
    m_ip.GetAddress(fields);
    const int numbers[4] = {fields[0], fields[1], fields[2], fields[3]};
    m_row[tk::kColumnIp] = tk::DottedAddressText(numbers);
    tk::ui::Dialog::OnOK();
}
