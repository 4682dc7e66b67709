#include "app/link_messages.h"

#include "platform/core/net_address.h"
#include "platform/core/os_version.h"
#include "platform/qt/guard.h"
#include "serial/core/serial_errors.h"

namespace vos::app {

namespace {

std::string com(int n) { return "COM" + std::to_string(n); }

// "/home/op/Vostrelle/Ports/COM1 → /dev/ttyUSB0", or the path alone.
std::string trailText(const DeviceTrail& d) {
    std::string text = d.path;
    if (!d.linkTarget.empty()) text += " → " + d.linkTarget;
    if (!d.resolved.empty() && d.resolved != d.path && d.resolved != d.linkTarget)
        text += " (" + d.resolved + ")";
    return text;
}

std::string permissionRemedy(int n, const DeviceTrail& device) {
    std::string user = currentUserName();
    if (user.empty()) user = "$USER";
    return "\n\nVostrelle n'a pas le droit d'ouvrir le port " + com(n) + " (" + trailText(device) +
           ").\nAjoutez l'utilisateur " + user + " au groupe dialout :\n    sudo adduser " + user +
           " dialout\npuis fermez la session et reconnectez-vous.";
}

// A Ports entry that is a file, a folder, /dev/null...: open() succeeds or
// fails, but it is no terminal.
std::string notASerialPortRemedy(int n, const DeviceTrail& device) {
    return "\n\nLe port " + com(n) + " (" + trailText(device) +
           ") n'est pas un port série.\nDans le dossier Ports du programme, " + com(n) +
           " doit être un lien vers l'adaptateur série, par exemple :\n"
           "    ln -sfn /dev/serial/by-id/usb-NOM_DE_L_ADAPTATEUR-if00-port0 Ports/" +
           com(n) + "\n(voir Ports/LISEZMOI.txt), puis choisir le port de nouveau (CONF).";
}

// A network port whose server does not answer (stopped, unreachable, a
// wrong address): the panel calls it again by itself.
std::string serverRemedy(int n, const NetAddress& server) {
    return "\n\nLe port " + com(n) + " est le serveur série " + server.url() +
           " : il ne répond pas (arrêté, injoignable ou adresse fausse).\n"
           "Le pupitre le rappelle de lui-même jusqu'à ce qu'il réponde.";
}

constexpr const char* kNoPortChosen =
    "\n\nAucun port série n'a été choisi : le pupitre reste sans liaison avec la commande.\n"
    "Choisissez le port dans les réglages (CONF).";

}  // namespace

std::string notAvailableText(int n) { return com(n) + " NON DISPONIBLE"; }
std::string lineLostText(int n) { return com(n) + " LIAISON PERDUE"; }
std::string openText(int n, std::int32_t baud) { return com(n) + " " + std::to_string(baud); }
std::string openingText(int n) { return com(n) + " OUVERTURE…"; }

int failureCode(const std::exception_ptr& e) {
    try {
        std::rethrow_exception(e);
    } catch (const serial::ESerialException& x) {
        return x.ErrorCode;
    } catch (const serial::EInOutError& x) {
        return -x.ErrorCode;
    } catch (const std::bad_alloc&) {
        return kCodeNoMemory;
    } catch (...) {
        return 0;
    }
}

std::exception_ptr openFailureForOperator(const std::exception_ptr& e, int n, const DeviceTrail& device) {
    try {
        std::rethrow_exception(e);
    } catch (const serial::EInOutError& x) {
        if (-x.ErrorCode == kCodeNoPermission)
            return std::make_exception_ptr(Error(x.what() + permissionRemedy(n, device)));
        if (-x.ErrorCode == kCodeGeneralFailure)
            return std::make_exception_ptr(Error(x.what() + notASerialPortRemedy(n, device)));
    } catch (const serial::EBadId& x) {
        if (const auto server = networkAddress(device.path))
            return std::make_exception_ptr(Error(x.what() + serverRemedy(n, *server)));
    } catch (const serial::ENoPortSelected& x) {
        return std::make_exception_ptr(Error(x.what() + std::string(kNoPortChosen)));
    } catch (...) {
    }
    return e;
}

std::string keyNotSentText(int n, bool lost) {
    if (n == 0)
        return "Aucun port série n'est choisi : la touche n'a pas été envoyée.\n"
               "Choisissez le port dans les réglages (CONF).";
    if (lost)
        return "Liaison perdue avec la commande (" + com(n) +
               ") : la touche n'a pas été envoyée.\n"
               "Le pupitre reprend la liaison de lui-même dès que la commande est de nouveau joignable.";
    return "Le port " + com(n) +
           " n'est pas disponible : la touche n'a pas été envoyée.\n"
           "Le pupitre ouvre le port de lui-même dès qu'il est disponible.";
}

std::string inputDroppedText(int n, std::uint64_t dropped) {
    return "La commande envoie sur " + com(n) + " plus d'octets que le pupitre ne peut en recevoir : " +
           std::to_string(dropped) +
           " octets ont été perdus.\nLe pupitre continue ; vérifiez la vitesse de la liaison et ce qui "
           "est relié au port (serveur série, pont réseau).";
}

std::string deviceHint(int n, const DeviceTrail& device) {
    if (device.path.empty()) return com(n) + " : aucun périphérique";
    return com(n) + " : " + trailText(device);
}

}  // namespace vos::app
