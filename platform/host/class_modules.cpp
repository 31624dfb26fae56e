// Class modules: shared libraries that add classes to the object system through their Zan0Init
// export. A module named without a folder is looked for beside the host library first, where
// the build and an installation put the program's libraries.
#include <dlfcn.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <set>

#include "object_model.h"

namespace tessaly::host {
namespace {

using ModuleInit = int32_t (*)(int32_t value);

// The folder of this library, found through one of its own functions.
QString hostFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&hostFolder), &info) == 0 || !info.dli_fname) return {};
  return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
}

// Where a module may be: the path itself, or for a name the file beside the host library,
// beside the program, and last the file name alone for the system's own search.
QStringList candidates(const QString& module) {
  if (module.contains('/')) return {module};
  const QString file = "lib" + module + ".so";
  QStringList places;
  if (const QString folder = hostFolder(); !folder.isEmpty()) places << QDir(folder).filePath(file);
  if (QCoreApplication::instance()) {
    places << QDir(QCoreApplication::applicationDirPath()).filePath(file);
  }
  places << file;
  return places;
}

// The module's handle, or null. Modules are never closed: the classes they registered, and
// objects made of them, use their code and records for the rest of the process.
void* openModule(const QString& module) {
  for (const QString& place : candidates(module)) {
    if (place.contains('/') && !QFileInfo::exists(place)) continue;
    if (void* handle = dlopen(QFile::encodeName(place).constData(), RTLD_NOW | RTLD_LOCAL)) {
      return handle;
    }
  }
  return nullptr;
}

// The handles of modules whose classes are registered.
std::set<void*>& registeredModules() {
  static std::set<void*> modules;
  return modules;
}

}  // namespace
}  // namespace tessaly::host

using namespace tessaly::host;

intptr_t Zan0LoadClassModule(const char* module) {
  if (!module || !*module) return 0;
  void* handle = openModule(QString::fromUtf8(module));
  if (!handle) return 0;
  // The same file asked for again (by any name) is the same module: registered once.
  if (registeredModules().count(handle)) return 1;
  const auto init = reinterpret_cast<ModuleInit>(dlsym(handle, "Zan0Init"));
  if (!init || init(0) != 1) return 0;
  registeredModules().insert(handle);
  return 1;
}
