// The file merge: its table, its checks and its all-or-nothing writer.
#include "buffer/file_merge.h"

#include "buffer/buffer_tools.h"
#include "buffer/data_buffer.h"
#include "buffer/file_formats.h"

#include <algorithm>
#include <cstdio>

namespace tessary {
namespace {

constexpr std::size_t kCopyPiece = 64 * 1024;

std::string HexText(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
  return text;
}

// The length of a file, or the reason it cannot be read.
std::optional<std::uint64_t> FileLength(const std::filesystem::path& file, std::string& error) {
  SourceFile source(file, "file");
  if (!source.Open()) {
    error = source.error();
    return std::nullopt;
  }
  return source.size();
}

std::string RoomError(const std::filesystem::path& file, std::uint64_t start,
                      std::uint64_t length) {
  return "'" + PathText(file) + "' (" + std::to_string(length) + " bytes) does not fit at " +
         Hex8(static_cast<std::uint32_t>(start)) + ": only " +
         std::to_string(kMergeAddressSpace - start) + " bytes are left up to address FFFFFFFF";
}

bool Fits(std::uint64_t start, std::uint64_t length) {
  return start <= kMergeAddressSpace && length <= kMergeAddressSpace - start;
}

// Splits the output into stretches, each from the topmost (latest) source
// covering it or from the fill.
std::vector<MergePiece> LayOut(const std::vector<MergeSource>& sources,
                               const std::vector<std::uint64_t>& lengths,
                               std::uint64_t output_size) {
  std::vector<std::uint64_t> bounds = {0, output_size};
  for (std::size_t i = 0; i < sources.size(); ++i) {
    bounds.push_back(sources[i].start);
    bounds.push_back(sources[i].start + lengths[i]);
  }
  std::sort(bounds.begin(), bounds.end());
  bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());

  std::vector<MergePiece> pieces;
  for (std::size_t b = 0; b + 1 < bounds.size() && bounds[b] < output_size; ++b) {
    const std::uint64_t from = bounds[b];
    const std::uint64_t to = bounds[b + 1];
    MergePiece piece{from, to - from, std::nullopt, 0};
    for (std::size_t i = sources.size(); i-- > 0;) {
      const std::uint64_t start = sources[i].start;
      if (start <= from && from < start + lengths[i]) {
        piece.source = i;
        piece.source_offset = from - start;
        break;
      }
    }
    // Neighbouring stretches of the same kind read on where the last stopped.
    if (!pieces.empty()) {
      MergePiece& last = pieces.back();
      const bool same_fill = !last.source && !piece.source;
      const bool same_file = last.source && piece.source && *last.source == *piece.source &&
                             last.source_offset + last.length == piece.source_offset;
      if (same_fill || same_file) {
        last.length += piece.length;
        continue;
      }
    }
    pieces.push_back(piece);
  }
  return pieces;
}

bool Overlap(std::uint64_t a_start, std::uint64_t a_length, std::uint64_t b_start,
             std::uint64_t b_length) {
  return a_length > 0 && b_length > 0 && a_start < b_start + b_length &&
         b_start < a_start + a_length;
}

}  // namespace

std::optional<std::uint8_t> ReadFillField(std::string_view text, std::string& error) {
  if (text.size() != 2) {
    error = std::string(kMergeFillFormatError);
    return std::nullopt;
  }
  const std::optional<std::int32_t> value = ParseHexNumber(text);
  if (!value) {
    error = HexNumberError(text);
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(*value);
}

// --- FileMergeTable ---

std::string FileMergeTable::NumberText(std::size_t row) const { return HexText(row + 1); }

std::string FileMergeTable::FileText(std::size_t row) const { return PathText(rows_.at(row).file); }

std::string FileMergeTable::StartText(std::size_t row) const { return rows_.at(row).start_text; }

std::string FileMergeTable::EndText(std::size_t row) const {
  const MergeRow& r = rows_.at(row);
  // An empty file ends just before it starts, as start + length - 1 does.
  return Hex8(static_cast<std::uint32_t>(r.placed_start + r.length - 1));
}

MergeStep FileMergeTable::AddFile(const std::filesystem::path& file) {
  if (rows_.size() >= kMergeMaxFiles) return {false, {}};
  std::string error;
  const std::optional<std::uint64_t> length = FileLength(file, error);
  if (!length) return {false, error};
  const std::uint64_t start =
      rows_.empty() ? 0 : std::uint64_t{rows_.back().placed_start} + rows_.back().length;
  if (start >= kMergeAddressSpace) {
    return {false, "No room is left after file " + NumberText(rows_.size() - 1) +
                       ": it already ends at address FFFFFFFF"};
  }
  if (!Fits(start, *length)) return {false, RoomError(file, start, *length)};
  const auto placed = static_cast<std::uint32_t>(start);
  rows_.push_back({file, Hex8(placed), placed, *length});
  return {};
}

bool FileMergeTable::RemoveLastFile() {
  if (rows_.empty()) return false;
  rows_.pop_back();
  return true;
}

MergeStep FileMergeTable::SetStartText(std::size_t row, std::string_view text) {
  MergeRow& r = rows_.at(row);
  r.start_text = std::string(text);
  const std::optional<std::int32_t> value = ParseHexNumber(text);
  if (!value) return {false, HexNumberError(text)};
  const auto start = static_cast<std::uint32_t>(*value);
  std::string error;
  const std::optional<std::uint64_t> length = FileLength(r.file, error);
  if (!length) return {false, error};
  if (!Fits(start, *length)) return {false, RoomError(r.file, start, *length)};
  r.placed_start = start;
  r.length = *length;
  return {};
}

// --- checks ---

PreparedMerge PrepareMerge(std::vector<MergeSource> sources, std::string_view fill_text) {
  if (sources.size() < kMergeMinFiles) return {std::nullopt, std::string(kMergeTooFewFiles)};
  if (sources.size() > kMergeMaxFiles) {
    return {std::nullopt, "At most " + std::to_string(kMergeMaxFiles) + " files can be merged; " +
                              std::to_string(sources.size()) + " were given"};
  }
  std::string error;
  const std::optional<std::uint8_t> fill = ReadFillField(fill_text, error);
  if (!fill) return {std::nullopt, error};

  MergeJob job;
  job.fill = *fill;
  for (const MergeSource& source : sources) {
    const std::optional<std::uint64_t> length = FileLength(source.file, error);
    if (!length) return {std::nullopt, error};
    if (!Fits(source.start, *length)) {
      return {std::nullopt, RoomError(source.file, source.start, *length)};
    }
    job.lengths.push_back(*length);
    job.output_size = std::max(job.output_size, std::uint64_t{source.start} + *length);
  }
  for (std::size_t j = 1; j < sources.size(); ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      if (Overlap(sources[i].start, job.lengths[i], sources[j].start, job.lengths[j])) {
        job.overwriting.push_back(j);
        break;
      }
    }
  }
  job.pieces = LayOut(sources, job.lengths, job.output_size);
  job.sources = std::move(sources);
  return {std::move(job), {}};
}

PreparedMerge PrepareMerge(const FileMergeTable& table, std::string_view fill_text) {
  const std::vector<MergeRow>& rows = table.rows();
  if (rows.size() < kMergeMinFiles) return {std::nullopt, std::string(kMergeTooFewFiles)};
  std::string error;
  if (!ReadFillField(fill_text, error)) return {std::nullopt, error};
  std::vector<MergeSource> sources;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::optional<std::int32_t> start = ParseHexNumber(rows[i].start_text);
    if (!start) {
      return {std::nullopt, "Start address of file " + table.NumberText(i) + ": " +
                                HexNumberError(rows[i].start_text)};
    }
    sources.push_back({rows[i].file, static_cast<std::uint32_t>(*start)});
  }
  return PrepareMerge(std::move(sources), fill_text);
}

// --- writing ---

MergeWriteResult WriteMerge(const MergeJob& job, const std::filesystem::path& output) {
  ImageFileWriter writer(output);
  if (!writer.Open()) return {false, writer.error(), 0};
  std::vector<std::uint8_t> block(kCopyPiece);
  std::uint64_t written = 0;

  for (const MergePiece& piece : job.pieces) {
    if (!piece.source) {
      std::fill(block.begin(), block.end(), job.fill);
      for (std::uint64_t left = piece.length; left > 0;) {
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, kCopyPiece));
        if (!writer.Write(std::span(block).first(count))) return {false, writer.error(), 0};
        left -= count;
      }
      written += piece.length;
      continue;
    }

    const std::size_t index = *piece.source;
    const std::filesystem::path& file = job.sources[index].file;
    SourceFile source(file, "input file");
    if (!source.Open()) return {false, source.error(), 0};
    if (source.size() != job.lengths[index]) {
      return {false, "'" + PathText(file) + "' changed while it was being merged (" +
                         std::to_string(job.lengths[index]) + " bytes before, " +
                         std::to_string(source.size()) + " now); nothing was written"};
    }
    if (!source.Seek(piece.source_offset)) return {false, source.error(), 0};
    for (std::uint64_t left = piece.length; left > 0;) {
      const std::size_t wanted =
          static_cast<std::size_t>(std::min<std::uint64_t>(left, kCopyPiece));
      const std::optional<std::size_t> count = source.Read(std::span(block).first(wanted));
      if (!count) return {false, source.error(), 0};
      if (*count != wanted) {
        return {false, "'" + PathText(file) + "' ended early while it was being merged; " +
                           "nothing was written"};
      }
      if (!writer.Write(std::span(block).first(wanted))) return {false, writer.error(), 0};
      left -= wanted;
    }
    written += piece.length;
  }
  if (!writer.Commit()) return {false, writer.error(), 0};
  return {true, {}, written};
}

}  // namespace tessary
