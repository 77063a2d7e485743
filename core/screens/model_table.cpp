#include "core/screens/model_table.h"

#include <string>

namespace tk {

const std::array<ControllerModel, 8> kControllerModels = {{
    {"TK100-I/II", 3, 1},
    {"TK100-IE", 5, 2},
    {"TK300", 4, 3},
    {"TK310", 7, 4},
    {"TK320", 8, 5},
    {"TK350", 21, 8},
    {"TK500", 22, 71},
    {"TK700", 23, 136},
}};

namespace {

// Byte comparison that folds ASCII letters only. Every model name is ASCII, so a text with a
// double-byte character matches none, even where a trail byte folds like a letter.
bool EqualsIgnoringAsciiCase(const std::string& a, const char* b) {
    std::string::size_type i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return i == a.size() && b[i] == '\0';
}

// The model whose name matches, or null.
const ControllerModel* FindByName(const std::string& name) {
    for (const ControllerModel& model : kControllerModels) {
        if (EqualsIgnoringAsciiCase(name, model.name)) return &model;
    }
    return nullptr;
}

}  // namespace

// Model column text of a settings-file CardType; "无效" for any other code.
std::string ModelNameFromCardType(int cardType) {
    for (const ControllerModel& model : kControllerModels) {
        if (model.cardType == cardType) return model.name;
    }
    return kInvalidModelName;
}

// CardType text to write for a model column text.
std::string CardTypeFromModelName(const std::string& name) {
    const ControllerModel* model = FindByName(name);
    return model ? std::to_string(model->cardType) : kFallbackCardType;
}

// Model column text of an exchange-file nCtrlType; none for any other code.
std::optional<std::string> ModelNameFromCtrlType(int ctrlType) {
    for (const ControllerModel& model : kControllerModels) {
        if (model.ctrlType == ctrlType) return std::string(model.name);
    }
    return std::nullopt;
}

// nCtrlType text to write for a model column text.
std::string CtrlTypeFromModelName(const std::string& name) {
    const ControllerModel* model = FindByName(name);
    return model ? std::to_string(model->ctrlType) : kFallbackCtrlType;
}

}  // namespace tk
