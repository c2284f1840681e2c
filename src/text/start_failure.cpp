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

namespace {

// Chinese words for a fault the seam found itself; nullptr for one without.
const char* Fault_words(Failure::Fault fault) {
  switch (fault) {
    case Failure::Fault::not_regular_file: return "不是普通文件";
    case Failure::Fault::invalid_path: return "程序路径无效";
    case Failure::Fault::arguments_not_utf8: return "参数不是有效的 UTF-8";
    case Failure::Fault::status_unreadable: return "无法读取程序的返回值";
    default: return nullptr;
  }
}

}  // namespace

std::string Start_failure_reason(const Failure& failure) {
  switch (failure.kind) {
    case Failure::Kind::errno_value:
      return Posix_start_failure(static_cast<int>(failure.code), failure.system_text);
    case Failure::Kind::windows_error:
    case Failure::Kind::windows_exception:
      return Windows_start_failure(static_cast<unsigned long>(failure.code), failure.system_text);
    case Failure::Kind::none: break;
  }
  const char* words = Fault_words(failure.fault);
  return words != nullptr ? words : failure.system_text;
}

std::string Start_program_failure(const std::string& pauser, const std::string& epath,
                                  const Failure& failure) {
  // The system would run a batch file through the command interpreter.
  if (failure.kind == Failure::Kind::none && failure.fault == Failure::Fault::batch_file)
    return "ConsolePauser 不能是批处理文件（.bat 或 .cmd）：" + Printable(pauser);
  return Start_failure_line(pauser.empty() ? epath : pauser, Start_failure_reason(failure));
}

std::string Compile_failure(const std::string& com_path, const Program_run& run) {
  if (run.outcome.ok()) return "";
  const Failure& failure = run.outcome.failure();
  if (failure.kind == Failure::Kind::none) {
    if (failure.fault == Failure::Fault::batch_file)
      return "编译器不能是批处理文件（.bat 或 .cmd）：" + Printable(com_path) + "\n";
    if (failure.fault == Failure::Fault::status_unreadable) return "";
  }
  return "无法启动编译器 " + Printable(com_path) + "：" + failure.system_text + "\n";
}

std::string Save_failure_reason(const Failure& failure) {
  const char* words = failure.kind == Failure::Kind::none ? Fault_words(failure.fault) : nullptr;
  return words != nullptr ? words : failure.system_text;
}
