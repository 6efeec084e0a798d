#include "app/error_report.h"

#include "app/errors.h"

namespace diag {

namespace {

std::string displayReason(int32_t code) {
    switch (code) {
    case 1: return "l'ordinateur doit être redémarré pour appliquer ce mode";
    case -1: return "le pilote de l'écran n'a pas pu appliquer ce mode";
    case -2: return "l'écran ne propose pas ce mode";
    case -3: return "le mode est appliqué mais n'a pas pu être enregistré dans vos paramètres";
    case -4: return "paramètres de changement incorrects";
    case -5: return "paramètres de changement incorrects";
    case -6: return "le mode n'est pas possible sur un écran double";
    default: return "le système a refusé le changement";
    }
}

std::string fileAction(FileError::Op op) {
    switch (op) {
    case FileError::Op::Open: return "d'ouvrir ou de créer";
    case FileError::Op::OpenToRead: return "d'ouvrir";
    case FileError::Op::Read: return "de lire";
    case FileError::Op::Write: return "d'écrire";
    case FileError::Op::Close: return "de fermer";
    }
    return "d'utiliser";
}

std::string savedPart(SavedModeError::Part part, const std::string& text) {
    switch (part) {
    case SavedModeError::Part::Width: return "la largeur « " + text + " » n'est pas une taille d'écran";
    case SavedModeError::Part::Height: return "la hauteur « " + text + " » n'est pas une taille d'écran";
    case SavedModeError::Part::Bits: break;
    }
    return "la profondeur de couleur « " + text + " » n'est pas un nombre de bits par pixel de 1 à 32";
}

} // namespace

std::string describeError(const std::exception& error) {
    if (auto* e = dynamic_cast<const FileError*>(&error)) {
        using Cause = FileError::Cause;
        std::string text = "Impossible " + fileAction(e->op()) + " le fichier « " + e->fileName() +
                           " » dans le dossier « " + e->directory() + " » : ";
        // The window opens the record file once, at start-up: only a new start can try again.
        constexpr const char* kStartAgain = "Rien n'a été changé. diagreso n'ouvre ce fichier qu'à son démarrage : "
                                            "quittez-le et relancez-le ";
        if (e->cause() == Cause::InUseAtStart)
            return text + "au démarrage de diagreso, il était utilisé par un autre programme, qui l'empêchait de "
                          "l'ouvrir.\r\n" + kStartAgain + "quand cet autre programme l'aura libéré.";
        if (e->cause() == Cause::NotOpenedAtStart)
            return text + "il n'a pas pu être ouvert au démarrage de diagreso (" + e->reason() + ").\r\n" +
                   kStartAgain + "une fois la cause corrigée.";
        text += e->reason() + ".\r\n";
        if (e->cause() == Cause::InUse)
            return text + (e->op() == FileError::Op::OpenToRead
                               ? "Réessayez quand cet autre programme (une sauvegarde, un antivirus, le logiciel de "
                                 "caisse) l'aura libéré."
                               : "Quittez diagreso et relancez-le quand cet autre programme (une sauvegarde, un "
                                 "antivirus, le logiciel de caisse) l'aura libéré : il n'ouvre ce fichier qu'à son "
                                 "démarrage.");
        // A file only read asks nothing of the folder but to let it be read.
        if (e->op() == FileError::Op::OpenToRead)
            return text + "Vérifiez que vous pouvez lire ce fichier et qu'aucun autre programme ne le bloque.";
        return text + "Vérifiez que ce dossier existe, que vous pouvez y écrire et qu'aucun autre programme ne "
                      "bloque ce fichier.";
    }
    if (auto* e = dynamic_cast<const NoSavedModeError*>(&error)) {
        return (e->absent() ? "Il n'y a pas de fichier « " + e->fileName() + " » dans le dossier « " +
                                  e->directory() + " » : aucune résolution d'origine n'y est enregistrée."
                            : "Le fichier « " + e->fileName() + " » du dossier « " + e->directory() +
                                  " » ne contient pas de résolution d'origine.") +
               "\r\nRien n'a été changé. Lancez la commande dans le dossier où diagreso a été démarré la première "
               "fois, ou démarrez-le une fois sans argument dans ce dossier : il y enregistrera la résolution "
               "actuelle comme résolution d'origine.";
    }
    if (auto* e = dynamic_cast<const DisplayChangeError*>(&error)) {
        std::string mode = std::to_string(e->width()) + " x " + std::to_string(e->height()) + " en " +
                           std::to_string(e->bits()) + " bits";
        if (e->inForce())
            return "La résolution " + mode + " est appliquée, mais Windows n'a pas pu l'enregistrer dans vos "
                   "paramètres" + (e->code() == -3 ? "" : " (code " + std::to_string(e->code()) + ")") +
                   ".\r\nElle ne sera pas conservée au prochain démarrage de l'ordinateur.";
        return "La résolution " + mode + " n'a pas été appliquée : " + displayReason(e->code()) + " (code " +
               std::to_string(e->code()) + ").\r\nVotre écran garde sa résolution actuelle.";
    }
    if (auto* e = dynamic_cast<const SavedModeError*>(&error)) {
        return "La résolution d'origine enregistrée dans le fichier « " + e->fileName() +
               " » n'est pas utilisable : " + savedPart(e->part(), e->text()) +
               ".\r\nRien n'a été changé. Pour enregistrer la résolution actuelle "
               "comme résolution d'origine, quittez le programme, supprimez ce fichier et relancez le programme.";
    }
    if (auto* e = dynamic_cast<const HelpPageError*>(&error)) {
        return "La page d'aide n'a pas pu être ouverte : ni Internet Explorer ni votre navigateur habituel n'ont "
               "pu être démarrés.\r\nVous pouvez ouvrir vous-même " +
               std::string(e->localFile() ? "le fichier « " + e->location() + " »"
                                          : "l'adresse " + e->location()) +
               " dans votre navigateur.";
    }
    if (auto* e = dynamic_cast<const HelpPageWriteError*>(&error)) {
        std::string text = "La page d'aide n'a pas pu être enregistrée sur cet ordinateur :";
        for (const auto& attempt : e->attempts())
            text += "\r\n- dans le dossier « " + attempt.folder + " » : " + attempt.reason + ".";
        return text + "\r\nLibérez de la place sur le disque ou vérifiez vos droits sur ces dossiers, puis "
                      "réessayez.";
    }
    if (auto* e = dynamic_cast<const CreationError*>(&error)) {
        return "Impossible de créer " + e->thing() + " : " + e->reason() +
               ".\r\nFermez des programmes ou des fenêtres pour libérer des ressources, puis réessayez.";
    }
    if (auto* e = dynamic_cast<const OverflowError*>(&error)) {
        return "La valeur « " + e->value() +
               " » est trop grande pour être utilisée.\r\nL'opération a été interrompue.";
    }
    if (dynamic_cast<const FloatingPointError*>(&error)) {
        return "Un calcul a échoué (erreur de calcul en virgule flottante).\r\nL'opération a été interrompue.";
    }
    return std::string("Une erreur inattendue s'est produite : ") + error.what() +
           ".\r\nL'opération a été interrompue.";
}

} // namespace diag
