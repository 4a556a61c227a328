// Edits that refuse what the setup file could not keep, instead of changing it silently.
#include "Latin1_edit.h"

#include "Text_bridge.h"

QValidator::State Latin1_validator::validate(QString& input, int&) const {
    if (is_latin1(input)) return Acceptable;
    emit refused();
    return Invalid;
}

Latin1_edit::Latin1_edit(const QString& object_name, int max_length, QWidget* parent) : QLineEdit(parent) {
    setObjectName(object_name);
    setMaxLength(max_length);
    auto* validator = new Latin1_validator(this);
    connect(validator, &Latin1_validator::refused, this, &Latin1_edit::refused_character);
    setValidator(validator);
}

const char* Latin1_edit::refused_hint() {
    return "Only characters of the Latin-1 set (Western European letters) can be stored in the setup file.";
}
