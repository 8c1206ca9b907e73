#include "editors.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace vorn {

namespace {
const QString DateFormat = QStringLiteral("dd/MM/yyyy");
/// Narrow buttons leave the editor room for a whole date at the screens' declared widths.
constexpr int ButtonWidth = 22;

int fullYear(const QString& digits) {
    const int year = digits.toInt();
    return digits.size() == 2 ? 2000 + year : year;
}
} // namespace

TVornDateEditor::TVornDateEditor(QWidget* parent) : QDateEdit(parent) {
    setDisplayFormat(DateFormat);
    lineEdit()->installEventFilter(this);
}

QDate TVornDateEditor::ParseTyped(const QString& text) {
    return ParseTyped(text, QDate());
}

QDate TVornDateEditor::ParseTyped(const QString& text, const QDate& shown) {
    // Day, month and year; the month and the year may be left out, the year alone too.
    static const QRegularExpression separated(
        QStringLiteral("^\\s*(\\d{1,2})(?:[/\\-. ](\\d{1,2})(?:[/\\-. ](\\d{4}|\\d{2}))?)?\\s*$"));
    static const QRegularExpression digitsOnly(QStringLiteral("^\\s*(\\d{2})(\\d{2})(\\d{4}|\\d{2})?\\s*$"));
    QRegularExpressionMatch match = digitsOnly.match(text);
    if (!match.hasMatch())
        match = separated.match(text);
    if (!match.hasMatch())
        return {};
    const bool hasMonth = match.hasCaptured(2);
    const bool hasYear = match.hasCaptured(3);
    if ((!hasMonth || !hasYear) && !shown.isValid())
        return {};
    return QDate(hasYear ? fullYear(match.captured(3)) : shown.year(),
                 hasMonth ? match.captured(2).toInt() : shown.month(), match.captured(1).toInt());
}

QValidator::State TVornDateEditor::validate(QString& input, int& pos) const {
    if (!typingWhole_)
        return QDateEdit::validate(input, pos);
    // A whole date on its way: digits and separators only.
    static const QRegularExpression partial(QStringLiteral("^[\\d/\\-. ]{0,10}$"));
    return partial.match(input).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
}

void TVornDateEditor::keyPressEvent(QKeyEvent* event) {
    if (refusal_ != nullptr)
        refusal_->hide();
    const QString text = event->text();
    const bool dateCharacter = text.size() == 1 &&
                               (text[0].isDigit() || QStringLiteral("/-. ").contains(text[0])) &&
                               !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    const bool wholeSelected =
        lineEdit()->hasSelectedText() && lineEdit()->selectedText().size() == lineEdit()->text().size();
    if (dateCharacter && !typingWhole_ && (wholeSelected || (freshEntry_ && text[0].isDigit())))
        startTypingWhole();
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        freshEntry_ = false; // moving in the date: digits now change the part the cursor is in
        break;
    default:
        break;
    }
    if (!typingWhole_) {
        QDateEdit::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Backspace:
        lineEdit()->backspace();
        return;
    case Qt::Key_Escape:
        finishTypingWhole(false);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        finishTypingWhole(true);
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        // Reached only when the focus chain did not take the key (focusNextPrevChild).
        finishTypingWhole(true);
        QWidget::focusNextPrevChild(event->key() == Qt::Key_Tab);
        return;
    default:
        if (dateCharacter)
            lineEdit()->insert(text);
        return;
    }
}

void TVornDateEditor::focusInEvent(QFocusEvent* event) {
    QDateEdit::focusInEvent(event);
    freshEntry_ = true;
    // Reached from the keyboard, the whole date is selected, so typing replaces it.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
        event->reason() == Qt::ShortcutFocusReason)
        lineEdit()->selectAll();
}

void TVornDateEditor::focusOutEvent(QFocusEvent* event) {
    if (typingWhole_)
        finishTypingWhole(true);
    QDateEdit::focusOutEvent(event);
}

bool TVornDateEditor::focusNextPrevChild(bool next) {
    if (!typingWhole_)
        return QDateEdit::focusNextPrevChild(next);
    finishTypingWhole(true);
    return QWidget::focusNextPrevChild(next);
}

bool TVornDateEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonPress)
        freshEntry_ = true; // a click into the day or the year, then a whole date typed
    return QDateEdit::eventFilter(watched, event);
}

/// The sections of the date edit would take each key for the day, month or year; while a whole
/// date is typed, the editor's text is not theirs.
void TVornDateEditor::startTypingWhole() {
    typingWhole_ = true;
    lineEdit()->blockSignals(true);
    lineEdit()->setText(QString());
}

void TVornDateEditor::finishTypingWhole(bool take) {
    const QString typed = lineEdit()->text();
    typingWhole_ = false;
    freshEntry_ = false;
    lineEdit()->blockSignals(false);
    const QDate shown = date() == minimumDate() ? QDate::currentDate() : date();
    const QDate typedDate = ParseTyped(typed, shown);
    const bool usable = typedDate.isValid() && typedDate >= minimumDate() && typedDate <= maximumDate();
    // The text shows a date again before the value changes, so the sections stay in step.
    lineEdit()->setText(dateTime().date() == minimumDate() ? specialValueText()
                                                           : textFromDateTime(dateTime()));
    if (!take || typed.trimmed().isEmpty())
        return;
    refused_ = !usable;
    if (usable) {
        if (refusal_ != nullptr)
            refusal_->hide();
        setToolTip(QString());
        setDate(typedDate);
        emit dateTyped();
        return;
    }
    const QString refusal =
        QStringLiteral("'%1' is geen geldige datum; de vorige datum (%2) blijft staan.")
            .arg(typed, lineEdit()->text().trimmed().isEmpty() ? QStringLiteral("leeg") : lineEdit()->text());
    ShowNote(refusal);
    setToolTip(refusal); // read again by pointing at the edit
}

/// The note stays for a while where the edit is: a tooltip would go with the focus.
void TVornDateEditor::ShowNote(const QString& text) {
    if (refusal_ == nullptr) {
        refusal_ = new QLabel(this, Qt::ToolTip);
        refusal_->setObjectName(QStringLiteral("DatumMelding"));
        refusal_->setForegroundRole(QPalette::ToolTipText);
        refusal_->setBackgroundRole(QPalette::ToolTipBase);
        refusal_->setAutoFillBackground(true);
        refusal_->setFrameStyle(QFrame::Box | QFrame::Plain);
        refusal_->setMargin(4);
        refusalTimer_ = new QTimer(this);
        refusalTimer_->setSingleShot(true);
        connect(refusalTimer_, &QTimer::timeout, refusal_, &QLabel::hide);
    }
    refusal_->setText(text);
    refusal_->adjustSize();
    refusal_->move(mapToGlobal(QPoint(0, height())));
    refusal_->show();
    refusalTimer_->start(6000);
}

TVornDateEdit::TVornDateEdit(QWidget* parent, bool clearButton, bool todayButton)
    : QWidget(parent), editor_(new TVornDateEditor(this)) {
    // The lowest date is day 0 and shows as empty: that is the "not set" value.
    editor_->setMinimumDate(DayZero());
    editor_->setSpecialValueText(QStringLiteral(" "));
    editor_->setCalendarPopup(true);
    editor_->setDate(DayZero());
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(editor_, 1);
    // A label's mnemonic and a caller's setFocus reach the editor, as for a plain date edit.
    setFocusPolicy(editor_->focusPolicy());
    setFocusProxy(editor_);
    if (clearButton) {
        auto* clear = new QToolButton(this);
        clear->setText(QStringLiteral("\u2715"));
        clear->setToolTip(QStringLiteral("Datum wissen"));
        clear->setFocusPolicy(Qt::NoFocus); // Tab goes from date to date; the keyboard types a date
        clear->setFixedWidth(ButtonWidth);
        connect(clear, &QToolButton::clicked, this, [this] { SetDate(NoDate); });
        layout->addWidget(clear);
    }
    if (todayButton) {
        auto* today = new QToolButton(this);
        // Short, so that a date edit with both buttons stays narrow.
        today->setText(QStringLiteral("Nu"));
        today->setToolTip(QStringLiteral("Datum van vandaag"));
        today->setFocusPolicy(Qt::NoFocus);
        today->setFixedWidth(ButtonWidth + 6);
        connect(today, &QToolButton::clicked, this, [this] { SetDate(Today()); });
        layout->addWidget(today);
    }
    setFocusProxy(editor_);
    connect(editor_, &QDateEdit::dateChanged, this, &TVornDateEdit::changed);
}

TDateTime TVornDateEdit::Date() const {
    return editor_->date() == DayZero() ? NoDate : DateToDateTime(editor_->date());
}

void TVornDateEdit::SetDate(TDateTime date) {
    editor_->setDate(IsDateSet(date) ? DateTimeToDate(date) : DayZero());
}

TVornSpinEdit::TVornSpinEdit(int minimum, int maximum, int value, QWidget* parent) : QSpinBox(parent) {
    setRange(minimum, maximum);
    setValue(value);
}

void TVornPageControl::SetTabsVisible(bool visible) {
    tabBar()->setVisible(visible);
}

TVornScrollBox::TVornScrollBox(QWidget* parent) : QScrollArea(parent) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
}

TVornPanel::TVornPanel(QWidget* parent, int designWidth) : QFrame(parent), designWidth_(designWidth) {
    setFrameShape(QFrame::NoFrame);
}

void TVornPanel::Place(QWidget* control, const QRect& designed, Anchor anchor) {
    placed_.push_back({control, designed, anchor});
    arrange(placed_.back());
}

void TVornPanel::arrange(const Placed& placed) {
    const int grown = designWidth_ > 0 ? width() - designWidth_ : 0;
    QRect rect = placed.designed;
    if (placed.anchor == akRight)
        rect.translate(grown, 0);
    else if (placed.anchor == akLeftRight)
        rect.setWidth(std::max(rect.width() + grown, 20));
    placed.control->setGeometry(rect);
}

void TVornPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    for (const Placed& placed : placed_)
        arrange(placed);
}

TVornMemo::TVornMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
}

TVornRadioGroup::TVornRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        buttons_->addButton(button, i);
        layout->addWidget(button);
    }
    connect(buttons_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            emit changed();
    });
}

int TVornRadioGroup::ItemIndex() const {
    return buttons_->checkedId();
}

void TVornRadioGroup::SetItemIndex(int index) {
    if (QAbstractButton* button = buttons_->button(index))
        button->setChecked(true);
}

} // namespace vorn
