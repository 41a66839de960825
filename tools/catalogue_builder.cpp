// catalogue_builder: makes the chip catalogue login.dat from its reviewable
// text source, a schema file and CSV tables. Run by the build; any malformed
// row fails the build with the file and line.
//
//   catalogue_builder OUTPUT SCHEMA.sql TABLE[.part...].csv ...
//
// Each CSV file fills the table named by its file name up to the first dot
// ("ChipName.25-flash.winbond.csv" fills [ChipName]). Its first record is a
// header that must list the table's columns exactly, in schema order. Lines
// starting with '#' are comments and blank lines are skipped (outside quoted
// fields). Fields follow RFC 4180: separated by commas, optionally quoted
// with double quotes, a quote inside a quoted field doubled. Unquoted fields
// may not contain quotes nor start or end with blanks, so a stray space in a
// chip name is caught here rather than in the field. Columns declared
// INTEGER take decimal integers only.
//
// After the table's columns a header may name one more, "Source": where the
// row's facts come from (a datasheet, or the public chip table they were
// checked against). Every chip row must say it, so the [ChipName] files must
// have the column and no row may leave it empty. The database does not keep
// it: the program reads the tables as they are.
//
// The database is built under a temporary name and renamed over OUTPUT only
// when everything loaded, so a failed build never leaves a half catalogue.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The chip table, whose rows must name their source, and that column's name.
constexpr char kChipTable[] = "ChipName";
constexpr char kSourceColumn[] = "Source";

class BuildError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct StatementCloser {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

std::string ReadWholeFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw BuildError(file.string() + ": cannot open");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Record {
  int line = 0;  // line the record starts on
  std::vector<std::string> fields;
};

// Splits CSV text into records, strictly.
std::vector<Record> ParseCsv(const std::string& text, const std::string& where) {
  std::vector<Record> records;
  std::size_t pos = 0;
  int line = 1;
  const auto fail = [&where](int at, const std::string& message) {
    throw BuildError(where + ":" + std::to_string(at) + ": " + message);
  };
  while (pos < text.size()) {
    // Comment and blank lines.
    if (text[pos] == '#' || text[pos] == '\n' || text[pos] == '\r') {
      const std::size_t end = text.find('\n', pos);
      if (text[pos] == '\r' && (pos + 1 >= text.size() || text[pos + 1] != '\n')) {
        fail(line, "bare carriage return");
      }
      pos = end == std::string::npos ? text.size() : end + 1;
      ++line;
      continue;
    }
    Record record;
    record.line = line;
    for (;;) {  // one field per pass
      std::string field;
      if (pos < text.size() && text[pos] == '"') {
        ++pos;
        for (;;) {
          if (pos >= text.size()) fail(record.line, "quoted field is not closed");
          const char c = text[pos++];
          if (c == '"') {
            if (pos < text.size() && text[pos] == '"') {
              field += '"';
              ++pos;
              continue;
            }
            break;
          }
          if (c == '\n') ++line;
          field += c;
        }
        if (pos < text.size() && text[pos] != ',' && text[pos] != '\n' && text[pos] != '\r') {
          fail(line,
               "text after the closing quote of field " + std::to_string(record.fields.size() + 1));
        }
      } else {
        while (pos < text.size() && text[pos] != ',' && text[pos] != '\n' && text[pos] != '\r') {
          if (text[pos] == '"') {
            fail(line, "quote inside unquoted field " + std::to_string(record.fields.size() + 1));
          }
          field += text[pos++];
        }
        if (!field.empty() && (std::isspace(static_cast<unsigned char>(field.front())) ||
                               std::isspace(static_cast<unsigned char>(field.back())))) {
          fail(line, "field " + std::to_string(record.fields.size() + 1) +
                         " starts or ends with a blank: \"" + field + "\"");
        }
      }
      record.fields.push_back(std::move(field));
      if (pos < text.size() && text[pos] == ',') {
        ++pos;
        continue;
      }
      if (pos < text.size() && text[pos] == '\r') {
        if (pos + 1 >= text.size() || text[pos + 1] != '\n') fail(line, "bare carriage return");
        ++pos;
      }
      if (pos < text.size() && text[pos] == '\n') {
        ++pos;
        ++line;
      }
      break;
    }
    records.push_back(std::move(record));
  }
  return records;
}

struct Column {
  std::string name;
  bool integer = false;
};

std::vector<Column> TableColumns(sqlite3* db, const std::string& table) {
  sqlite3_stmt* raw = nullptr;
  const std::string sql = "PRAGMA table_info([" + table + "])";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
    throw BuildError(std::string("cannot read the schema: ") + sqlite3_errmsg(db));
  }
  Statement statement(raw);
  std::vector<Column> columns;
  while (sqlite3_step(statement.get()) == SQLITE_ROW) {
    Column column;
    column.name = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 1));
    std::string type = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 2));
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    column.integer = type == "INTEGER";
    columns.push_back(std::move(column));
  }
  return columns;
}

bool ParseInteger(const std::string& text, std::int64_t& value) {
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(begin, end, value);
  return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

void Exec(sqlite3* db, const std::string& sql, const std::string& where) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string text = message != nullptr ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    throw BuildError(where + ": " + text);
  }
}

void LoadCsv(sqlite3* db, const fs::path& file) {
  const std::string where = file.filename().string();
  const std::string stem = where.substr(0, where.find('.'));
  const std::vector<Column> columns = TableColumns(db, stem);
  if (columns.empty()) {
    throw BuildError(where + ": no table [" + stem + "] in the schema (the file name names it)");
  }
  const std::vector<Record> records = ParseCsv(ReadWholeFile(file), where);
  if (records.empty()) throw BuildError(where + ": no header line");

  const Record& header = records.front();
  const bool source_required = stem == kChipTable;
  const bool has_source =
      header.fields.size() == columns.size() + 1 && header.fields.back() == kSourceColumn;
  std::string expected;
  for (const Column& column : columns) expected += (expected.empty() ? "" : ",") + column.name;
  std::string found;
  for (std::size_t i = 0; i < header.fields.size() - (has_source ? 1 : 0); ++i) {
    found += (found.empty() ? "" : ",") + header.fields[i];
  }
  if (found != expected || (source_required && !has_source)) {
    const std::string wanted = expected + (source_required ? "," + std::string(kSourceColumn) : "");
    std::string whole;
    for (const std::string& field : header.fields) whole += (whole.empty() ? "" : ",") + field;
    throw BuildError(where + ":" + std::to_string(header.line) + ": header must be \"" + wanted +
                     "\"" + (source_required ? "" : " (optionally followed by Source)") +
                     ", found \"" + whole + "\"");
  }
  const std::size_t fields_per_row = columns.size() + (has_source ? 1 : 0);

  std::string sql = "INSERT INTO [" + stem + "] VALUES (";
  for (std::size_t i = 0; i < columns.size(); ++i) sql += i == 0 ? "?" : ",?";
  sql += ")";
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
    throw BuildError(where + ": " + sqlite3_errmsg(db));
  }
  Statement insert(raw);

  for (std::size_t r = 1; r < records.size(); ++r) {
    const Record& record = records[r];
    const std::string at = where + ":" + std::to_string(record.line) + ": ";
    if (record.fields.size() != fields_per_row) {
      throw BuildError(at + std::to_string(record.fields.size()) + " fields, expected " +
                       std::to_string(fields_per_row));
    }
    if (has_source && record.fields.back().empty()) {
      throw BuildError(at + "the Source column is empty: say where the row's facts come from");
    }
    sqlite3_reset(insert.get());
    sqlite3_clear_bindings(insert.get());
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const std::string& field = record.fields[c];
      const int index = static_cast<int>(c) + 1;
      if (columns[c].integer) {
        std::int64_t value = 0;
        if (!ParseInteger(field, value)) {
          throw BuildError(at + "column " + columns[c].name + " needs an integer, found \"" +
                           field + "\"");
        }
        sqlite3_bind_int64(insert.get(), index, value);
      } else {
        sqlite3_bind_text(insert.get(), index, field.data(), static_cast<int>(field.size()),
                          SQLITE_TRANSIENT);
      }
    }
    if (sqlite3_step(insert.get()) != SQLITE_DONE) {
      throw BuildError(at + sqlite3_errmsg(db));
    }
  }
}

void Build(const fs::path& output, const fs::path& schema, const std::vector<fs::path>& tables) {
  const fs::path temporary = output.string() + ".building";
  std::error_code ec;
  fs::remove(temporary, ec);
  if (output.has_parent_path()) fs::create_directories(output.parent_path());

  try {
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(temporary.string().c_str(), &raw,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
      const std::string message = raw != nullptr ? sqlite3_errmsg(raw) : "out of memory";
      sqlite3_close(raw);
      throw BuildError(temporary.string() + ": " + message);
    }
    Db db(raw);
    Exec(db.get(), ReadWholeFile(schema), schema.filename().string());
    Exec(db.get(), "BEGIN", "transaction");
    for (const fs::path& table : tables) LoadCsv(db.get(), table);
    Exec(db.get(), "COMMIT", "transaction");
    db.reset();
    fs::rename(temporary, output);
  } catch (...) {
    fs::remove(temporary, ec);
    throw;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: catalogue_builder OUTPUT SCHEMA.sql TABLE.csv...\n");
    return 2;
  }
  std::vector<fs::path> tables(argv + 3, argv + argc);
  try {
    Build(argv[1], argv[2], tables);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "catalogue_builder: %s\n", e.what());
    return 1;
  }
  return 0;
}
