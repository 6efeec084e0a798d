#include "main_window/help_errors.h"

namespace diag {

std::string HelpPageError::describe() const {
    return "La page d'aide n'a pas pu être ouverte : ni Internet Explorer ni votre navigateur habituel n'ont "
           "pu être démarrés.\r\nVous pouvez ouvrir vous-même " +
           std::string(localFile() ? "le fichier « " + location() + " »"
                                      : "l'adresse " + location()) +
           " dans votre navigateur.";
}

std::string HelpPageWriteError::describe() const {
    std::string text = "La page d'aide n'a pas pu être enregistrée sur cet ordinateur :";
    for (const auto& attempt : attempts())
        text += "\r\n- dans le dossier « " + attempt.folder + " » : " + attempt.reason + ".";
    return text + "\r\nLibérez de la place sur le disque ou vérifiez vos droits sur ces dossiers, puis "
                  "réessayez.";
}

} // namespace diag
