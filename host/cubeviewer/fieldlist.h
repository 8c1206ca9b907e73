#pragma once

#include "host/cube/pivot.h"
#include "host/cube/valuefilter.h"

#include <QDialog>
#include <QListWidget>
#include <memory>
#include <set>
#include <vector>

class QLineEdit;
class QComboBox;
class QDoubleSpinBox;
class QMenu;
class QMimeData;
class QPushButton;

namespace vorn {

/// The mime type of a dimension dragged between zones; the data is its index as text.
QString DimensionMimeType();

/// One zone of the field list: its dimensions in order. Dimensions are dragged between zones and
/// reordered within one; a drop ends in DropDimension.
class TZoneList : public QListWidget {
    Q_OBJECT
public:
    TZoneList(TCubeZone zone, QWidget* parent = nullptr);
    TCubeZone Zone() const { return zone_; }
    /// Drops a dragged dimension before the item at `position` (the end when past the last);
    /// false when the data holds no dimension.
    bool DropDimension(const QMimeData* data, int position);

signals:
    void dimensionDropped(int dimension, int zone, int position);

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    Qt::DropActions supportedDropActions() const override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    TCubeZone zone_;
};

/// The field list beside the grid: the dimensions not in use, the zones "Rijen", "Kolommen" and
/// "Filters", and "Waarden" with a check per measure. Every change is asked of the frame through a
/// signal; Show puts the list in the state of a layout again.
class TCubeFieldList : public QWidget {
    Q_OBJECT
public:
    explicit TCubeFieldList(QWidget* parent = nullptr);

    /// Shows where every dimension is; a null cube empties the lists.
    void Show(const TCube* cube, const TPivotLayout& layout, const std::vector<int>& filterZone);
    TZoneList* Zone(TCubeZone zone) const;
    QListWidget* Measures() const { return measures_; }
    /// The context menu of the dimension at `row` of a zone: "Naar rijen", "Naar kolommen", "Naar
    /// filters", "Verwijderen", "Omhoog", "Omlaag", "Filter...".
    std::unique_ptr<QMenu> MenuFor(TCubeZone zone, int row);
    /// Moves the measure at `row` of "Waarden" up (-1) or down (+1): the shown measures follow the
    /// list's order. Dragging does the same; from the keyboard Ctrl+Up and Ctrl+Down.
    void MoveMeasure(int row, int step);

signals:
    /// Move a dimension into a zone before `position` (counted before the move; past the end appends).
    void moveRequested(int dimension, int zone, int position);
    void filterRequested(int dimension);
    void valueFilterRequested(int dimension);
    /// The measures checked, in list order; never empty.
    void measuresChanged(const std::vector<int>& measures);

private:
    void activated(TCubeZone zone, QListWidgetItem* item);
    void measureChecked();

    std::vector<TZoneList*> zones_;
    QListWidget* measures_;
    const TCube* cube_ = nullptr;
    bool showing_ = false;
};

/// The filter of one dimension: a search box, a check per member, "Alles" and "Niets" (of the
/// members the search shows), OK and "Annuleren". OK needs at least one member checked.
/// "Waardefilter": keeps the members of a dimension by a measure's value (the highest or lowest N,
/// or above or below an amount).
class TValueFilterDialog : public QDialog {
    Q_OBJECT
public:
    TValueFilterDialog(const TCube& cube, int dimension, QWidget* parent = nullptr);

    QComboBox* Measure() const { return measure_; }
    QComboBox* Kind() const { return kind_; }
    QDoubleSpinBox* Amount() const { return amount_; }
    TValueFilter Filter() const;

private:
    void kindChanged();

    int dimension_;
    QComboBox* measure_;
    QComboBox* kind_;
    QDoubleSpinBox* amount_;
};

class TMemberFilterDialog : public QDialog {
    Q_OBJECT
public:
    /// `kept`: the members checked at the start; empty means all.
    TMemberFilterDialog(const TCube& cube, int dimension, const std::set<std::uint32_t>& kept,
                        QWidget* parent = nullptr);

    QLineEdit* Search() const { return search_; }
    QListWidget* Members() const { return members_; }
    void CheckShown(bool checked);
    /// The checked members; empty when all are checked (no filter).
    std::set<std::uint32_t> Kept() const;

private:
    void searchChanged(const QString& text);
    void updateOk();

    QLineEdit* search_;
    QListWidget* members_;
    QPushButton* ok_ = nullptr;
};

} // namespace vorn
