// Copying and upgrading the user's catalogue.
#include "catalogue/catalogue_upgrade.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "catalogue/catalogue_statements.h"
#include "catalogue/chip_database.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

// The version text of an open catalogue; empty when it has none.
std::string CatalogueVersionOf(ChipDatabase& db) {
  return db.RunQuery(statements::kCatalogueVersion) > 0 ? db.FieldAsText("Version") : "";
}

std::string ReadVersion(const fs::path& file, std::string& error) {
  ChipDatabase db;
  if (!db.Open(file, error)) return {};
  try {
    return CatalogueVersionOf(db);
  } catch (const DatabaseError& e) {
    error = "Cannot read the version of catalogue " + file.string() + ": " + e.what();
    return {};
  }
}

// Copies `from` to `to` through a file beside `to`, so `to` is either the
// old file or the whole new one.
bool CopyWhole(const fs::path& from, const fs::path& to, std::string& error) {
  const fs::path part = fs::path(to).concat(".part");
  std::error_code ec;
  fs::copy_file(from, part, fs::copy_options::overwrite_existing, ec);
  // The shipped file is read-only; the user's copy must take user chips.
  if (!ec) {
    fs::permissions(part, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  }
  if (!ec) fs::rename(part, to, ec);
  if (ec) {
    error = "Cannot copy the chip catalogue " + from.string() + " to " + to.string() + ": " +
            ec.message();
    fs::remove(part, ec);  // what is left of the copy, if anything
    return false;
  }
  return true;
}

// The ChipName columns both catalogues have, in the new one's order.
std::string SharedColumns(ChipDatabase& db) {
  std::vector<std::string> old_columns;
  for (int n = db.RunQuery("select name from pragma_table_info('ChipName', 'old')"); n > 0; --n) {
    old_columns.push_back(db.FieldAsText("name"));
    db.NextRecord();
  }
  std::string shared;
  for (int n = db.RunQuery("select name from pragma_table_info('ChipName', 'main')"); n > 0; --n) {
    const std::string name = db.FieldAsText("name");
    db.NextRecord();
    const bool in_old = std::any_of(old_columns.begin(), old_columns.end(), [&](const std::string& c) {
      return std::equal(c.begin(), c.end(), name.begin(), name.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
      });
    });
    if (!in_old) continue;
    if (!shared.empty()) shared += ',';
    shared += "[" + name + "]";
  }
  return shared;
}

}  // namespace

std::vector<std::uint32_t> VersionNumbers(std::string_view version) {
  std::vector<std::uint32_t> numbers;
  std::size_t i = 0;
  while (i < version.size()) {
    if (!std::isdigit(static_cast<unsigned char>(version[i]))) {
      ++i;
      continue;
    }
    std::uint32_t value = 0;
    while (i < version.size() && std::isdigit(static_cast<unsigned char>(version[i]))) {
      value = std::min<std::uint32_t>(value * 10 + static_cast<std::uint32_t>(version[i] - '0'),
                                      100000000);
      ++i;
    }
    numbers.push_back(value);
  }
  return numbers;
}

bool IsNewerVersion(std::string_view candidate, std::string_view current) {
  std::vector<std::uint32_t> a = VersionNumbers(candidate);
  std::vector<std::uint32_t> b = VersionNumbers(current);
  const std::size_t length = std::max(a.size(), b.size());
  a.resize(length, 0);
  b.resize(length, 0);
  return a > b;
}

CatalogueSyncResult SyncUserCatalogue(const fs::path& factory, const fs::path& user_copy) {
  CatalogueSyncResult result;
  const auto fail = [&result](std::string error) {
    result.outcome = CatalogueSync::Failed;
    result.error = std::move(error);
    return result;
  };
  std::error_code ec;
  if (!fs::is_regular_file(factory, ec)) {
    return fail("The chip catalogue " + factory.string() + " is missing: reinstall the program.");
  }
  std::string error;
  result.new_version = ReadVersion(factory, error);
  if (!error.empty()) return fail(error);

  if (!fs::exists(user_copy, ec)) {
    if (!CopyWhole(factory, user_copy, error)) return fail(error);
    result.outcome = CatalogueSync::Copied;
    return result;
  }
  result.old_version = ReadVersion(user_copy, error);
  if (!error.empty()) return fail(error + " (the file was left as it is)");
  if (!IsNewerVersion(result.new_version, result.old_version)) return result;

  // The new catalogue, with the user's own rows of the old one added.
  const fs::path next = fs::path(user_copy).concat(".new");
  if (!CopyWhole(factory, next, error)) return fail(error);
  {
    ChipDatabase db;
    if (!db.Open(next, error)) {
      fs::remove(next, ec);
      return fail(error);
    }
    try {
      db.ExecStatement("ATTACH DATABASE ? AS old", {user_copy.string()});
      const std::string columns = SharedColumns(db);
      db.ExecStatement("INSERT INTO main.[ChipName] (" + columns + ") SELECT " + columns +
                       " FROM old.[ChipName] WHERE Adder <> 'Halvern'");
      result.kept_user_chips =
          db.RunQuery("select ChipName from old.[ChipName] where Adder <> 'Halvern'");
      db.ExecStatement("DETACH DATABASE old");
    } catch (const DatabaseError& e) {
      db.Close();
      fs::remove(next, ec);
      return fail("Cannot carry the user chips of " + user_copy.string() +
                  " into the new catalogue: " + e.what() + " (the file was left as it is)");
    }
  }
  const fs::path backup = fs::path(user_copy).concat(".bak");
  fs::copy_file(user_copy, backup, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(next, user_copy, ec);
  if (ec) {
    const std::string reason = ec.message();
    fs::remove(next, ec);
    return fail("Cannot replace the chip catalogue " + user_copy.string() + ": " + reason);
  }
  result.outcome = CatalogueSync::Upgraded;
  return result;
}

}  // namespace tessary
