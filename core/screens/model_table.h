#pragma once

#include <array>
#include <optional>
#include <string>

namespace tk {

// One controller model with its codes in the settings file and in the exchange file.
struct ControllerModel {
    const char* name;
    int cardType;  // CardType in the settings file
    int ctrlType;  // nCtrlType in the exchange file
};

// The eight models, in the order the parameter window's sorted model list shows them.
extern const std::array<ControllerModel, 8> kControllerModels;

// Model column text for a CardType that is no model's code.
inline constexpr char kInvalidModelName[] = "无效";
// Codes written for a model name that matches no model (those of "TK350").
inline constexpr char kFallbackCardType[] = "21";
inline constexpr char kFallbackCtrlType[] = "8";

std::string ModelNameFromCardType(int cardType);
std::string CardTypeFromModelName(const std::string& name);
std::optional<std::string> ModelNameFromCtrlType(int ctrlType);
std::string CtrlTypeFromModelName(const std::string& name);

}  // namespace tk
