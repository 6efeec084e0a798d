#include "display/display_errors.h"

#include "display/devmode.h"

namespace diag {

namespace {

std::string displayReason(int32_t code) {
    switch (code) {
    case DISP_CHANGE_RESTART_: return "l'ordinateur doit être redémarré pour appliquer ce mode";
    case DISP_CHANGE_FAILED_: return "le pilote de l'écran n'a pas pu appliquer ce mode";
    case DISP_CHANGE_BADMODE_: return "l'écran ne propose pas ce mode";
    case DISP_CHANGE_NOTUPDATED_: return "le mode est appliqué mais n'a pas pu être enregistré dans vos paramètres";
    case DISP_CHANGE_BADFLAGS_: return "paramètres de changement incorrects";
    case DISP_CHANGE_BADPARAM_: return "paramètres de changement incorrects";
    case DISP_CHANGE_BADDUALVIEW_: return "le mode n'est pas possible sur un écran double";
    default: return "le système a refusé le changement";
    }
}

} // namespace

std::string DisplayChangeError::describe() const {
    std::string mode = std::to_string(width()) + " x " + std::to_string(height()) + " en " +
                       std::to_string(bits()) + " bits";
    if (inForce())
        return "La résolution " + mode + " est appliquée, mais Windows n'a pas pu l'enregistrer dans vos "
               "paramètres" + (code() == DISP_CHANGE_NOTUPDATED_ ? "" : " (code " + std::to_string(code()) + ")") +
               ".\r\nElle ne sera pas conservée au prochain démarrage de l'ordinateur.";
    return "La résolution " + mode + " n'a pas été appliquée : " + displayReason(code()) + " (code " +
           std::to_string(code()) + ").\r\nVotre écran garde sa résolution actuelle.";
}

} // namespace diag
