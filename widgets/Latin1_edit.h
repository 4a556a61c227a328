// A one-line edit that holds only what the document can keep: at most a field's length of Latin-1 text.
#pragma once

#include <QLineEdit>
#include <QValidator>

// Refuses texts with characters outside Latin-1, as they are typed or pasted, and says so.
class Latin1_validator : public QValidator {
    Q_OBJECT
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;

  signals:
    void refused() const;
};

class Latin1_edit : public QLineEdit {
    Q_OBJECT
  public:
    // max_length: the most characters the field keeps (a path 511, a port name 31).
    Latin1_edit(const QString& object_name, int max_length, QWidget* parent = nullptr);

    // The hint shown when a character is refused.
    static const char* refused_hint();

  signals:
    void refused_character();
};
