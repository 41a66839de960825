// Dropped files.
#include "app/file_drop.h"

namespace tessary {

std::optional<std::string> FilesDropped(AppContext& ctx, const std::vector<std::string>& paths) {
  ctx.log.AddPlainLine("拖拽进来" + std::to_string(paths.size()) + "个文件");
  for (const std::string& path : paths) ctx.log.AddPlainLine(path);
  if (paths.empty()) return std::nullopt;
  return paths.back();
}

}  // namespace tessary
