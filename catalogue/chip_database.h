// The chip catalogue file login.dat (an SQLite database) and the one shared
// query the whole program reads it through: run a statement, know its record
// count at once, read the current record's fields by name, move on.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;

namespace tessary {

// A catalogue failure: a statement the database rejects, a column that is
// not in the result, no current record, a field that is not a number, or a
// database that is not open. Front ends show what() in an error box; the
// handler that ran the statement stops there.
class DatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One value bound to a `?` of a statement. Values are never pasted into the
// statement text, so a quote or a % inside a chip name is just text.
class Value {
 public:
  Value() = default;  // SQL NULL
  Value(std::nullptr_t) {}
  Value(std::string_view text) : value_(std::string(text)) {}
  Value(const std::string& text) : value_(text) {}
  Value(const char* text) : value_(std::string(text)) {}
  template <std::integral T>
  Value(T number) : value_(static_cast<std::int64_t>(number)) {}

  [[nodiscard]] bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
  [[nodiscard]] const std::variant<std::monostate, std::int64_t, std::string>& Get() const {
    return value_;
  }

 private:
  std::variant<std::monostate, std::int64_t, std::string> value_;
};

class ChipDatabase {
 public:
  ChipDatabase();
  ~ChipDatabase();
  ChipDatabase(const ChipDatabase&) = delete;
  ChipDatabase& operator=(const ChipDatabase&) = delete;

  // Opens an existing catalogue file for reading and writing (user chips are
  // written back into it). A missing file is never created: false with a
  // message naming the path. Any database already open is closed first.
  [[nodiscard]] bool Open(const std::filesystem::path& file, std::string& error);
  void Close();
  [[nodiscard]] bool IsOpen() const { return db_ != nullptr; }

  // Runs a statement that returns rows and keeps all of them, so the count
  // is known before the first field is read. Leaves the query on the first
  // record and returns the record count. The previous result is dropped
  // first, also when the statement fails.
  int RunQuery(std::string_view sql, std::initializer_list<Value> params = {});
  int RunQuery(std::string_view sql, std::span<const Value> params);

  // Runs an insert, update or delete. The query holds no result afterwards.
  void ExecStatement(std::string_view sql, std::initializer_list<Value> params = {});
  void ExecStatement(std::string_view sql, std::span<const Value> params);

  // Fields of the current record, found by column name without regard to
  // case (as the catalogue's users have always addressed them). NULL reads
  // as "" and 0.
  [[nodiscard]] std::string FieldAsText(std::string_view column) const;
  // A text field converts when it holds a decimal integer (surrounding
  // blanks allowed); anything else throws. Values from 2^31 up to 2^32 - 1
  // come back wrapped, so unsigned 32-bit columns such as Capacity survive
  // a cast to std::uint32_t.
  [[nodiscard]] std::int32_t FieldAsInteger(std::string_view column) const;

  // Moves to the next record; past the last one the query stands at its end
  // and further moves do nothing.
  void NextRecord();
  [[nodiscard]] int RecordCount() const { return static_cast<int>(rows_.size()); }
  [[nodiscard]] bool AtEnd() const { return current_ >= rows_.size(); }

  // For views that show the whole result (the chip search grid): the column
  // names, and selecting a record as the current one.
  [[nodiscard]] const std::vector<std::string>& ColumnNames() const { return columns_; }
  [[nodiscard]] std::size_t CurrentIndex() const { return current_; }
  void MoveTo(std::size_t record);
  // Replaces a field of the current record in the held result only (the
  // catalogue file is not touched), for texts computed for display.
  void SetField(std::string_view column, Value value);

 private:
  using Cell = std::variant<std::monostate, std::int64_t, double, std::string>;
  struct DbCloser {
    void operator()(sqlite3* db) const;
  };

  void ClearResult();
  void RequireOpen(std::string_view sql) const;
  [[nodiscard]] const Cell& CurrentCell(std::string_view column) const;
  [[nodiscard]] std::size_t ColumnIndex(std::string_view column) const;

  std::unique_ptr<sqlite3, DbCloser> db_;
  std::filesystem::path file_;
  std::vector<std::string> columns_;
  std::vector<std::vector<Cell>> rows_;
  std::size_t current_ = 0;
};

}  // namespace tessary
