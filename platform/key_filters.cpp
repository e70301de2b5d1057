// Key filters as an event filter and a validator on a line edit.
#include "platform/key_filters.h"

#include "platform/beep.h"
#include "platform/windows.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

namespace {

qsizetype Characters(const QString& text) {
    return text.toUcs4().size();
}

bool IsDigit(const QString& text) {
    return text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9');
}

int DigitFilter(const QString& fieldText, const FilterKey& key, qsizetype limit) {
    if (key.command) return 0;
    int complaints = 0;
    if (!key.editing && !IsDigit(key.text)) ++complaints;
    if (Characters(fieldText) >= limit && !key.editing) ++complaints;
    return complaints;
}

int TextFilter(const QString& fieldText, const FilterKey& key, qsizetype limit) {
    // Ctrl+A, Ctrl+C and the like are shortcuts here, not characters; what a paste brings is filtered anyway.
    if (key.command || key.editing) return 0;
    return Characters(fieldText) < limit ? 0 : 1;
}

bool IsEditingKey(int key) {
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

// Watches the typed keys and vets every other change of the text.
class FieldFilter : public QValidator {
  public:
    FieldFilter(QLineEdit* field, KeyFilter filter) : QValidator(field), filter(filter) {}

    // What the field held after the last change, to tell what a change brings.
    mutable QString accepted;

    State validate(QString& input, int& cursor) const override {
        const QString& before = accepted;
        qsizetype      prefix = 0;
        while (prefix < before.size() && prefix < input.size() && before[prefix] == input[prefix]) ++prefix;
        qsizetype suffix = 0;
        while (suffix < before.size() - prefix && suffix < input.size() - prefix &&
               before[before.size() - 1 - suffix] == input[input.size() - 1 - suffix])
            ++suffix;
        const QString arriving = input.mid(prefix, input.size() - prefix - suffix);
        QString       kept = before.left(prefix) + before.right(suffix);
        QString       insert;
        bool          refused = false;
        for (char32_t c : arriving.toUcs4()) {
            const QString character = QString::fromUcs4(&c, 1);
            if (filter(kept, FilterKey{character, false, false}) == 0) {
                kept.insert(prefix + insert.size(), character);
                insert += character;
            } else {
                refused = true;
            }
        }
        if (refused) {
            Beep();
            input = kept;
            cursor = int(prefix + insert.size());
        }
        accepted = input;
        return Acceptable;
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto*     key = static_cast<QKeyEvent*>(event);
        FilterKey asked;
        asked.editing = IsEditingKey(key->key());
        asked.command = key->modifiers() & Qt::ControlModifier;
        const QString text = key->text();
        // Tab, Return, Escape and the like type nothing: they move the focus or press a button.
        if (!asked.editing && (text.isEmpty() || !text[0].isPrint())) return false;
        if (!asked.editing) asked.text = text;
        const auto* field = static_cast<const QLineEdit*>(parent());
        const int   complaints = filter(field->text(), asked);
        for (int i = 0; i < complaints; ++i) Beep();
        return complaints > 0;
    }

  private:
    KeyFilter filter;
};

} // namespace

int TwoDigitFilter(const QString& fieldText, const FilterKey& key) {
    return DigitFilter(fieldText, key, 2);
}

int FourDigitFilter(const QString& fieldText, const FilterKey& key) {
    return DigitFilter(fieldText, key, 4);
}

int TextFilter40(const QString& fieldText, const FilterKey& key) {
    return TextFilter(fieldText, key, 40);
}

int TextFilter39(const QString& fieldText, const FilterKey& key) {
    return TextFilter(fieldText, key, 39);
}

void InstallKeyFilter(QWidget* window, int controlId, KeyFilter filter) {
    auto* field = qobject_cast<QLineEdit*>(FindControl(window, controlId));
    if (!field || !filter) return;
    auto* vetting = new FieldFilter(field, filter);
    field->installEventFilter(vetting);
    // What the field holds already is vetted as if it had been pasted into an empty field.
    field->setValidator(vetting);
    QString text = field->text();
    int     cursor = 0;
    vetting->validate(text, cursor);
    field->setText(text);
}
