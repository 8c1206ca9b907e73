#pragma once

#include "host/data/datetime.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <vector>

class QButtonGroup;
class QLabel;
class QTimer;
class QToolButton;

namespace vorn {

/// The date editor inside TVornDateEdit: shows dd/MM/yyyy and also takes a whole date typed over
/// its text as 15/09/2025, 15-09-2025, 15.09.2025, 15092025 or with a two-digit year; a day alone
/// ("1") or a day and month ("1/10", "0110") keep the shown month and year. The first digit typed
/// after the edit was entered (by Tab, a shortcut or a click, in any part of the date) starts a
/// whole date; after the arrow keys, digits change the part the cursor is in. An impossible date is
/// refused, however the edit is left: the previous date stays and a note under the edit says why.
class TVornDateEditor : public QDateEdit {
    Q_OBJECT
public:
    explicit TVornDateEditor(QWidget* parent = nullptr);
    /// The date of a whole typed text, or an invalid date.
    static QDate ParseTyped(const QString& text);
    /// As ParseTyped, with the parts left out (year; month and year) taken from `shown`.
    static QDate ParseTyped(const QString& text, const QDate& shown);
    /// Whether the last date typed was refused (and the previous date kept); false again once a
    /// typed date is taken.
    bool LastTypingRefused() const { return refused_; }
    /// Shows `text` in a note under the edit for a while (a refused date says so the same way).
    void ShowNote(const QString& text);

signals:
    /// A whole typed date was taken (not sent for SetDate, the arrows or the calendar).
    void dateTyped();

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    /// Tab after a whole typed date takes it and leaves the edit, not into the next part of the
    /// date (which would take the typed day into the shown date).
    bool focusNextPrevChild(bool next) override;
    /// A click into the text (which the line edit inside takes) enters the date afresh.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startTypingWhole();
    /// Takes the typed date (when `take` and it is a date), else shows the previous date again with
    /// a note when something was typed.
    void finishTypingWhole(bool take);
    bool typingWhole_ = false;
    bool freshEntry_ = true; // entered and not yet moved in with the arrow keys
    bool refused_ = false;
    QLabel* refusal_ = nullptr;
    QTimer* refusalTimer_ = nullptr;
};

/// A date edit whose value is a date-time day number, 0 meaning empty; optional clear and today buttons.
class TVornDateEdit : public QWidget {
    Q_OBJECT
public:
    explicit TVornDateEdit(QWidget* parent = nullptr, bool clearButton = true, bool todayButton = true);
    TDateTime Date() const;
    void SetDate(TDateTime date);
    TVornDateEditor* Editor() const { return editor_; }

signals:
    /// The value changed, by the user or by SetDate.
    void changed();

private:
    TVornDateEditor* editor_;
};

class TVornCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked) { setChecked(checked); }
};

class TVornComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index) { setCurrentIndex(index); }
};

class TVornSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    TVornSpinEdit(int minimum, int maximum, int value, QWidget* parent = nullptr);
    int GetI() const { return value(); }
};

/// A page control whose tabs can be hidden (the screen switches pages itself).
class TVornPageControl : public QTabWidget {
    Q_OBJECT
public:
    using QTabWidget::QTabWidget;
    void SetTabsVisible(bool visible);
    int ActivePageIndex() const { return currentIndex(); }
    void SetActivePageIndex(int index) { setCurrentIndex(index); }
};

/// A scroll box: its content keeps the width of the box and the height it was given.
class TVornScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit TVornScrollBox(QWidget* parent = nullptr);
};

/// A panel whose controls sit where the screen's design puts them; controls anchored right keep
/// their distance to the right edge, controls anchored left and right grow with the panel.
class TVornPanel : public QFrame {
    Q_OBJECT
public:
    enum Anchor { akLeft, akRight, akLeftRight };
    explicit TVornPanel(QWidget* parent = nullptr, int designWidth = 0);
    void Place(QWidget* control, const QRect& designed, Anchor anchor = akLeft);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Placed {
        QWidget* control;
        QRect designed;
        Anchor anchor;
    };
    void arrange(const Placed& placed);
    int designWidth_;
    std::vector<Placed> placed_;
};

class TVornLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
};

class TVornMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TVornMemo(QWidget* parent = nullptr);
};

/// A group of radio buttons, one chosen; ItemIndex is -1 while none is.
class TVornRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TVornRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);
    int ItemIndex() const;
    void SetItemIndex(int index);

signals:
    void changed();

private:
    QButtonGroup* buttons_;
};

} // namespace vorn
