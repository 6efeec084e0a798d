#include "store/store_errors.h"

namespace diag {

namespace {

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

std::string FileError::describe() const {
    std::string text = "Impossible " + fileAction(op()) + " le fichier « " + fileName() +
                       " » dans le dossier « " + directory() + " » : ";
    // The window opens the record file once, at start-up: only a new start can try again.
    constexpr const char* kStartAgain = "Rien n'a été changé. diagreso n'ouvre ce fichier qu'à son démarrage : "
                                        "quittez-le et relancez-le ";
    if (cause() == Cause::InUseAtStart)
        return text + "au démarrage de diagreso, il était utilisé par un autre programme, qui l'empêchait de "
                      "l'ouvrir.\r\n" + kStartAgain + "quand cet autre programme l'aura libéré.";
    if (cause() == Cause::NotOpenedAtStart)
        return text + "il n'a pas pu être ouvert au démarrage de diagreso (" + reason() + ").\r\n" +
               kStartAgain + "une fois la cause corrigée.";
    text += reason() + ".\r\n";
    if (cause() == Cause::InUse)
        return text + (op() == FileError::Op::OpenToRead
                           ? "Réessayez quand cet autre programme (une sauvegarde, un antivirus, le logiciel de "
                             "caisse) l'aura libéré."
                           : "Quittez diagreso et relancez-le quand cet autre programme (une sauvegarde, un "
                             "antivirus, le logiciel de caisse) l'aura libéré : il n'ouvre ce fichier qu'à son "
                             "démarrage.");
    // A file only read asks nothing of the folder but to let it be read.
    if (op() == FileError::Op::OpenToRead)
        return text + "Vérifiez que vous pouvez lire ce fichier et qu'aucun autre programme ne le bloque.";
    return text + "Vérifiez que ce dossier existe, que vous pouvez y écrire et qu'aucun autre programme ne "
                  "bloque ce fichier.";
}

std::string NoSavedModeError::describe() const {
    return (absent() ? "Il n'y a pas de fichier « " + fileName() + " » dans le dossier « " +
                              directory() + " » : aucune résolution d'origine n'y est enregistrée."
                        : "Le fichier « " + fileName() + " » du dossier « " + directory() +
                              " » ne contient pas de résolution d'origine.") +
           "\r\nRien n'a été changé. Lancez la commande dans le dossier où diagreso a été démarré la première "
           "fois, ou démarrez-le une fois sans argument dans ce dossier : il y enregistrera la résolution "
           "actuelle comme résolution d'origine.";
}

std::string SavedModeError::describe() const {
    return "La résolution d'origine enregistrée dans le fichier « " + fileName() +
           " » n'est pas utilisable : " + savedPart(part(), text()) +
           ".\r\nRien n'a été changé. Pour enregistrer la résolution actuelle "
           "comme résolution d'origine, quittez le programme, supprimez ce fichier et relancez le programme.";
}

} // namespace diag
