#pragma once

#include "host/data/table.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vorn {

class TVornClientDataSet;

/// What a cube reads from a column.
enum class TCubeValueKind : std::uint8_t {
    Integer, // whole numbers
    Number,  // decimals and floats
    Date,    // TDateTime values
    Text,    // UTF-8 texts (also blobs)
};

/// The rows a cube is built from, read a block of rows of one column at a time. A null sets its
/// flag to 1 (and leaves its value undefined); every other flag is set to 0.
class ICubeColumns {
public:
    virtual ~ICubeColumns() = default;
    virtual std::size_t RowCount() const = 0;
    virtual int ColumnCount() const = 0;
    virtual QString ColumnName(int column) const = 0;
    virtual TCubeValueKind ColumnKind(int column) const = 0;
    /// Integer columns.
    virtual void ReadIntegers(int column, std::size_t first, std::size_t count, std::int64_t* values,
                              std::uint8_t* nulls) const = 0;
    /// Number and date columns.
    virtual void ReadNumbers(int column, std::size_t first, std::size_t count, double* values,
                             std::uint8_t* nulls) const = 0;
    /// Text columns; the views stay valid as long as the columns do.
    virtual void ReadTexts(int column, std::size_t first, std::size_t count, std::string_view* values,
                           std::uint8_t* nulls) const = 0;
};

/// The index of the column of that name, letter case ignored; -1 when there is none.
int FindCubeColumn(const ICubeColumns& columns, const QString& name);

/// The rows of an open client dataset in its current order. Integers (small, integer, large) are
/// Integer; decimals and floats are Number; dates and date-times are Date, where the value 0
/// ("not set") reads as null; texts, memos and blobs are Text. The dataset must stay open and
/// unchanged while it is read.
class TDataSetCubeColumns : public ICubeColumns {
public:
    /// Raises ECubeError when the dataset is not open.
    explicit TDataSetCubeColumns(const TVornClientDataSet& dataSet);
    ~TDataSetCubeColumns() override;
    TDataSetCubeColumns(const TDataSetCubeColumns&) = delete;
    TDataSetCubeColumns& operator=(const TDataSetCubeColumns&) = delete;

    std::size_t RowCount() const override;
    int ColumnCount() const override;
    QString ColumnName(int column) const override;
    TCubeValueKind ColumnKind(int column) const override;
    void ReadIntegers(int column, std::size_t first, std::size_t count, std::int64_t* values,
                      std::uint8_t* nulls) const override;
    void ReadNumbers(int column, std::size_t first, std::size_t count, double* values,
                     std::uint8_t* nulls) const override;
    void ReadTexts(int column, std::size_t first, std::size_t count, std::string_view* values,
                   std::uint8_t* nulls) const override;

private:
    /// Where the values of one field are read: the dataset's own column (rows through the
    /// dataset's order), or for a lookup field a column of its looked-up values made once, in order.
    struct TSource {
        const Column* column = nullptr;
        bool ordered = false;
    };
    std::size_t storedRow(int column, std::size_t position) const;

    const TVornClientDataSet& dataSet_;
    std::vector<TSource> sources_;
    std::vector<Column> lookups_;
};

} // namespace vorn
