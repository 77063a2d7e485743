// The controller parameter window: template IDD_SCREEN_PARAM, where the operator enters or edits
// the ten texts of one screen. The list window opens it for add and modify; it reads and writes no
// file.
#pragma once

#include "core/screens/screen_row_codec.h"
#include "ui/framework/controls.h"
#include "ui/framework/dialog.h"

// The caller sets the row between construction and the modal run, and reads it back after
// IDOK; Cancel, or an OK that stops at a list without a selection, leaves it as it was.
class CSrcreenParamDlg : public tk::ui::Dialog {
public:
    // number becomes the address text; the other nine texts start empty.
    explicit CSrcreenParamDlg(int number);

    const tk::ScreenRow& Row() const { return m_row; }
    void SetRow(const tk::ScreenRow& row) { m_row = row; }

protected:
    bool DoDataExchange(bool take) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    tk::ui::ComboBox m_model;
    tk::ui::ComboBox m_comm;
    tk::ui::ComboBox m_serialPort;
    tk::ui::ComboBox m_baud;
    tk::ui::ComboBox m_colour;
    tk::ui::IpAddress m_ip;
    tk::ScreenRow m_row;
};
