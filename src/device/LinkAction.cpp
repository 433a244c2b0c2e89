#include "device/LinkAction.h"

#include <ostream>

namespace heliotab {

namespace {

const char* ControlName(LinkControl c) {
    static constexpr const char* kNames[] = {"Test", "Ferma", "Opzioni", "Combo", "TrayOptions"};
    return kNames[static_cast<int>(c)];
}

} // namespace

std::ostream& operator<<(std::ostream& os, const Send& a) {
    return os << "Send{0x" << std::hex << int(a.byte) << std::dec << "}";
}
std::ostream& operator<<(std::ostream& os, const OpenPort& a) {
    return os << "OpenPort{" << a.port << "}";
}
std::ostream& operator<<(std::ostream& os, const ClosePort&) {
    return os << "ClosePort{}";
}
std::ostream& operator<<(std::ostream& os, const StartTimer& a) {
    return os << "StartTimer{" << a.id << ", " << a.ms << "}";
}
std::ostream& operator<<(std::ostream& os, const StopTimer& a) {
    return os << "StopTimer{" << a.id << "}";
}
std::ostream& operator<<(std::ostream& os, const SetPanel& a) {
    static constexpr const char* kPanels[] = {"Stato", "PortaCOM"};
    return os << "SetPanel{" << kPanels[static_cast<int>(a.panel)] << ", " << a.textId << ", \""
              << a.argument << "\"}";
}
std::ostream& operator<<(std::ostream& os, const ShowIdentity& a) {
    os << "ShowIdentity{";
    for (const std::string& l : a.labels)
        os << '"' << l << "\" ";
    return os << "}";
}
std::ostream& operator<<(std::ostream& os, const ClearVehicle&) {
    return os << "ClearVehicle{}";
}
std::ostream& operator<<(std::ostream& os, const SetComboText& a) {
    return os << "SetComboText{" << a.textId << "}";
}
std::ostream& operator<<(std::ostream& os, const Enable& a) {
    return os << "Enable{" << ControlName(a.control) << ", " << a.on << "}";
}
std::ostream& operator<<(std::ostream& os, const FocusCombo&) {
    return os << "FocusCombo{}";
}
std::ostream& operator<<(std::ostream& os, const ShowMessage& a) {
    return os << "ShowMessage{" << a.textId << ", " << a.titleId << ", " << a.style << ", reply "
              << static_cast<int>(a.reply) << "}";
}
std::ostream& operator<<(std::ostream& os, const Deliver& a) {
    os << "Deliver{";
    for (const FarResultKey& k : kFarResultKeys)
        if (!(a.result.*k.field).empty())
            os << k.key << "=" << a.result.*k.field << " ";
    return os << "}";
}
std::ostream& operator<<(std::ostream& os, const SetPortLabel& a) {
    return os << "SetPortLabel{" << a.textId << ", \"" << a.argument << "\"}";
}
std::ostream& operator<<(std::ostream& os, const EnableScanControls& a) {
    return os << "EnableScanControls{" << a.on << "}";
}
std::ostream& operator<<(std::ostream& os, const EnableConfirm& a) {
    return os << "EnableConfirm{" << a.on << "}";
}
std::ostream& operator<<(std::ostream& os, const LinkAction& a) {
    return std::visit([&os](const auto& x) -> std::ostream& { return os << x; }, a);
}
std::ostream& operator<<(std::ostream& os, const ScanAction& a) {
    return std::visit([&os](const auto& x) -> std::ostream& { return os << x; }, a);
}

} // namespace heliotab
