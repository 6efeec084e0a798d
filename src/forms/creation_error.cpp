#include "forms/creation_error.h"

namespace diag {

std::string CreationError::describe() const {
    return "Impossible de créer " + thing() + " : " + reason() +
           ".\r\nFermez des programmes ou des fenêtres pour libérer des ressources, puis réessayez.";
}

} // namespace diag
