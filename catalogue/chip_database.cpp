// The catalogue connection and its shared query on SQLite.
#include "catalogue/chip_database.h"

#include <sqlite3.h>

#include <cctype>
#include <charconv>
#include <limits>
#include <system_error>
#include <type_traits>

namespace tessary {
namespace {

struct StatementCloser {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementCloser>;

bool SameColumnName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

[[noreturn]] void ThrowStatementError(sqlite3* db, std::string_view sql) {
  throw DatabaseError("Catalogue statement failed: " + std::string(sqlite3_errmsg(db)) +
                      "\nStatement: " + std::string(sql));
}

// Prepares exactly one statement and binds its parameters. Trailing text
// after the statement is refused: every caller passes one statement, and a
// second one would be silently skipped otherwise.
StatementHandle Prepare(sqlite3* db, std::string_view sql, std::span<const Value> params) {
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, &tail) != SQLITE_OK) {
    ThrowStatementError(db, sql);
  }
  StatementHandle statement(raw);
  if (statement == nullptr) {
    throw DatabaseError("Catalogue statement is empty");
  }
  for (const char* p = tail; p != nullptr && p < sql.data() + sql.size(); ++p) {
    if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';') {
      throw DatabaseError("Catalogue statement holds more than one statement: " + std::string(sql));
    }
  }
  const int wanted = sqlite3_bind_parameter_count(statement.get());
  if (wanted != static_cast<int>(params.size())) {
    throw DatabaseError("Catalogue statement expects " + std::to_string(wanted) + " values, got " +
                        std::to_string(params.size()) + ": " + std::string(sql));
  }
  for (int i = 0; i < wanted; ++i) {
    const auto& value = params[static_cast<std::size_t>(i)].Get();
    int rc = SQLITE_OK;
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
      rc = sqlite3_bind_int64(statement.get(), i + 1, *number);
    } else if (const auto* text = std::get_if<std::string>(&value)) {
      rc = sqlite3_bind_text(statement.get(), i + 1, text->data(), static_cast<int>(text->size()),
                             SQLITE_TRANSIENT);
    } else {
      rc = sqlite3_bind_null(statement.get(), i + 1);
    }
    if (rc != SQLITE_OK) ThrowStatementError(db, sql);
  }
  return statement;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

std::int32_t ToInt32(std::int64_t number, std::string_view column) {
  if (number < std::numeric_limits<std::int32_t>::min() ||
      number > static_cast<std::int64_t>(std::numeric_limits<std::uint32_t>::max())) {
    throw DatabaseError("Field '" + std::string(column) + "' value " + std::to_string(number) +
                        " does not fit in 32 bits");
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

}  // namespace

void ChipDatabase::DbCloser::operator()(sqlite3* db) const { sqlite3_close_v2(db); }

ChipDatabase::ChipDatabase() = default;
ChipDatabase::~ChipDatabase() = default;

bool ChipDatabase::Open(const std::filesystem::path& file, std::string& error) {
  Close();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    error = "Catalogue file " + file.string() + " does not exist";
    return false;
  }
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(file.string().c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
  std::unique_ptr<sqlite3, DbCloser> db(raw);
  if (rc != SQLITE_OK) {
    error = "Cannot open catalogue " + file.string() + ": " +
            (db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(rc));
    return false;
  }
  // A file that is not a database only shows itself on the first read.
  if (sqlite3_exec(db.get(), "select count(*) from sqlite_master", nullptr, nullptr, nullptr) !=
      SQLITE_OK) {
    error = "Cannot read catalogue " + file.string() + ": " + sqlite3_errmsg(db.get());
    return false;
  }
  // Another copy of the program may hold a write lock for a moment.
  sqlite3_busy_timeout(db.get(), 2000);
  db_ = std::move(db);
  file_ = file;
  return true;
}

void ChipDatabase::Close() {
  ClearResult();
  db_.reset();
  file_.clear();
}

void ChipDatabase::ClearResult() {
  columns_.clear();
  rows_.clear();
  current_ = 0;
}

void ChipDatabase::RequireOpen(std::string_view sql) const {
  if (!db_) {
    throw DatabaseError("The catalogue is not open; cannot run: " + std::string(sql));
  }
}

int ChipDatabase::RunQuery(std::string_view sql, std::initializer_list<Value> params) {
  return RunQuery(sql, std::span<const Value>(params.begin(), params.size()));
}

int ChipDatabase::RunQuery(std::string_view sql, std::span<const Value> params) {
  ClearResult();
  RequireOpen(sql);
  StatementHandle statement = Prepare(db_.get(), sql, params);
  const int column_count = sqlite3_column_count(statement.get());
  if (column_count == 0) {
    throw DatabaseError("Catalogue statement returns no columns: " + std::string(sql));
  }
  std::vector<std::string> columns;
  for (int c = 0; c < column_count; ++c) {
    const char* name = sqlite3_column_name(statement.get(), c);
    columns.emplace_back(name != nullptr ? name : "");
  }
  std::vector<std::vector<Cell>> rows;
  for (;;) {
    const int rc = sqlite3_step(statement.get());
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) ThrowStatementError(db_.get(), sql);
    std::vector<Cell>& row = rows.emplace_back();
    row.reserve(static_cast<std::size_t>(column_count));
    for (int c = 0; c < column_count; ++c) {
      switch (sqlite3_column_type(statement.get(), c)) {
        case SQLITE_INTEGER:
          row.emplace_back(static_cast<std::int64_t>(sqlite3_column_int64(statement.get(), c)));
          break;
        case SQLITE_FLOAT:
          row.emplace_back(sqlite3_column_double(statement.get(), c));
          break;
        case SQLITE_NULL:
          row.emplace_back(std::monostate{});
          break;
        default: {
          const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), c));
          const int length = sqlite3_column_bytes(statement.get(), c);
          row.emplace_back(
              std::string(text != nullptr ? text : "", static_cast<std::size_t>(length)));
          break;
        }
      }
    }
  }
  columns_ = std::move(columns);
  rows_ = std::move(rows);
  current_ = 0;
  return RecordCount();
}

void ChipDatabase::ExecStatement(std::string_view sql, std::initializer_list<Value> params) {
  ExecStatement(sql, std::span<const Value>(params.begin(), params.size()));
}

void ChipDatabase::ExecStatement(std::string_view sql, std::span<const Value> params) {
  ClearResult();
  RequireOpen(sql);
  StatementHandle statement = Prepare(db_.get(), sql, params);
  int rc = sqlite3_step(statement.get());
  while (rc == SQLITE_ROW) rc = sqlite3_step(statement.get());
  if (rc != SQLITE_DONE) ThrowStatementError(db_.get(), sql);
}

std::size_t ChipDatabase::ColumnIndex(std::string_view column) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (SameColumnName(columns_[i], column)) return i;
  }
  throw DatabaseError("Field '" + std::string(column) + "' not found in the catalogue result");
}

const ChipDatabase::Cell& ChipDatabase::CurrentCell(std::string_view column) const {
  if (!db_) throw DatabaseError("The catalogue is not open");
  const std::size_t index = ColumnIndex(column);
  if (current_ >= rows_.size()) {
    throw DatabaseError("No current record to read field '" + std::string(column) + "' from");
  }
  return rows_[current_][index];
}

std::string ChipDatabase::FieldAsText(std::string_view column) const {
  const Cell& cell = CurrentCell(column);
  if (const auto* text = std::get_if<std::string>(&cell)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&cell)) return std::to_string(*number);
  if (const auto* real = std::get_if<double>(&cell)) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, *real);
    return std::string(buffer, result.ptr);
  }
  return {};
}

std::int32_t ChipDatabase::FieldAsInteger(std::string_view column) const {
  const Cell& cell = CurrentCell(column);
  if (const auto* number = std::get_if<std::int64_t>(&cell)) return ToInt32(*number, column);
  if (std::holds_alternative<std::monostate>(cell)) return 0;
  if (const auto* real = std::get_if<double>(&cell)) {
    const auto whole = static_cast<std::int64_t>(*real);
    if (static_cast<double>(whole) != *real) {
      throw DatabaseError("Field '" + std::string(column) + "' is not a whole number");
    }
    return ToInt32(whole, column);
  }
  const std::string& text = std::get<std::string>(cell);
  std::string_view digits = Trim(text);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  std::int64_t number = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size()) {
    throw DatabaseError("'" + text + "' of field '" + std::string(column) +
                        "' is not a valid integer value");
  }
  return ToInt32(number, column);
}

void ChipDatabase::NextRecord() {
  if (current_ < rows_.size()) ++current_;
}

void ChipDatabase::MoveTo(std::size_t record) {
  if (record >= rows_.size()) {
    throw DatabaseError("Record " + std::to_string(record) + " is past the end of the result");
  }
  current_ = record;
}

void ChipDatabase::SetField(std::string_view column, Value value) {
  const std::size_t index = ColumnIndex(column);
  if (current_ >= rows_.size()) {
    throw DatabaseError("No current record to set field '" + std::string(column) + "' in");
  }
  Cell& cell = rows_[current_][index];
  std::visit(
      [&cell](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          cell = std::monostate{};
        } else {
          cell = v;
        }
      },
      value.Get());
}

}  // namespace tessary
