// The words for a control that differs between the stations edited together.
#include "Together_view.h"

std::string mixed_text(const Together_control& control) {
    return control.mixed() ? "mixed: " + std::to_string(control.values) + " values" : std::string();
}
