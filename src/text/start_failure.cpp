#include "text/start_failure.h"

#include <cerrno>

#include "text/printable.h"

namespace {

std::string With_system_text(const char* words, const std::string& system_text) {
  if (words == nullptr) return system_text;
  return system_text.empty() ? words : std::string(words) + "（" + system_text + "）";
}

}  // namespace

std::string Start_failure_line(const std::string& what, const std::string& reason) {
  return "无法启动 " + Printable(what) + "：" + reason;
}

std::string Posix_start_failure(int error, const std::string& system_text) {
  const char* words = nullptr;
  switch (error) {
    case ENOENT: words = "文件不存在"; break;
    case EACCES: words = "没有执行权限"; break;
    case EPERM: words = "系统不允许运行它"; break;
    case ENOEXEC: words = "不是可以运行的程序"; break;
    case EISDIR: words = "这是一个目录"; break;
    case ENOTDIR: words = "路径中有一段不是目录"; break;
    case ENAMETOOLONG: words = "路径太长"; break;
    case ENOMEM: words = "内存不足"; break;
    default: break;
  }
  return With_system_text(words, system_text);
}

std::string Windows_start_failure(unsigned long code, const std::string& system_text) {
  const char* words = nullptr;
  // The codes of winerror.h, by number: this file knows no system.
  switch (code) {
    case 2: words = "文件不存在"; break;         // ERROR_FILE_NOT_FOUND
    case 3: words = "路径不存在"; break;         // ERROR_PATH_NOT_FOUND
    case 5: words = "拒绝访问"; break;           // ERROR_ACCESS_DENIED
    case 8: words = "内存不足"; break;           // ERROR_NOT_ENOUGH_MEMORY
    case 32: words = "文件正被另一个程序使用"; break;  // ERROR_SHARING_VIOLATION
    case 123: words = "路径无效"; break;         // ERROR_INVALID_NAME
    case 11:   // ERROR_BAD_FORMAT
    case 191:  // ERROR_INVALID_EXE_SIGNATURE
    case 193: words = "不是可以运行的程序"; break;   // ERROR_BAD_EXE_FORMAT
    case 216: words = "不是本机可以运行的程序"; break;  // ERROR_EXE_MACHINE_TYPE_MISMATCH
    case 740: words = "需要管理员权限"; break;     // ERROR_ELEVATION_REQUIRED
    default: break;
  }
  return With_system_text(words, system_text);
}
