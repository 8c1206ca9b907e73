#include "editors.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace vorn {

TVornDateEdit::TVornDateEdit(QWidget* parent, bool clearButton, bool todayButton)
    : QWidget(parent), editor_(new QDateEdit(this)) {
    // The lowest date is day 0 and shows as empty: that is the "not set" value.
    editor_->setMinimumDate(DayZero());
    editor_->setSpecialValueText(QStringLiteral(" "));
    editor_->setCalendarPopup(true);
    editor_->setDate(DayZero());
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(editor_, 1);
    if (clearButton) {
        auto* clear = new QToolButton(this);
        clear->setText(QStringLiteral("\u2715"));
        clear->setToolTip(QStringLiteral("Datum wissen"));
        connect(clear, &QToolButton::clicked, this, [this] { SetDate(NoDate); });
        layout->addWidget(clear);
    }
    if (todayButton) {
        auto* today = new QToolButton(this);
        // Short, so that a date edit with both buttons stays narrow.
        today->setText(QStringLiteral("Nu"));
        today->setToolTip(QStringLiteral("Datum van vandaag"));
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
