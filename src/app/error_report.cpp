#include "app/error_report.h"

#include "app/errors.h"

namespace diag {

std::string AppError::describe() const {
    return std::string("Une erreur inattendue s'est produite : ") + what() + ".\r\nL'opération a été interrompue.";
}

std::string OverflowError::describe() const {
    return "La valeur « " + value() +
           " » est trop grande pour être utilisée.\r\nL'opération a été interrompue.";
}

std::string FloatingPointError::describe() const {
    return "Un calcul a échoué (erreur de calcul en virgule flottante).\r\nL'opération a été interrompue.";
}

std::string describeError(const std::exception& error) {
    if (auto* e = dynamic_cast<const AppError*>(&error)) return e->describe();
    return std::string("Une erreur inattendue s'est produite : ") + error.what() +
           ".\r\nL'opération a été interrompue.";
}

} // namespace diag
