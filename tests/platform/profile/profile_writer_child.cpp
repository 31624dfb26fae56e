// Writes a profile file for the tests. "rounds N" edits the file N times, each time setting the
// key "<prefix>N" (so two children editing one file show whether a change was lost); "forever"
// rewrites every key of the file with the next generation number until it is killed.
#include <cstdlib>
#include <string>

#include "tessaly/profile_store.h"

using tessaly::profile::editProfile;
using tessaly::profile::ProfileFile;

namespace {

constexpr int kKeysPerGeneration = 50;

int writeForever(const std::string& path) {
  const std::string filler(2000, 'x');  // long lines make a part-written file likelier
  for (long generation = 1;; ++generation) {
    const std::string value = std::to_string(generation) + filler;
    const bool written = editProfile(path, [&](ProfileFile& profile) {
      for (int key = 0; key < kKeysPerGeneration; ++key) {
        profile.setValue("USER", "key" + std::to_string(key), value);
      }
    });
    if (!written) return 1;
  }
}

int writeRounds(const std::string& path, const std::string& prefix, int rounds) {
  for (int round = 0; round < rounds; ++round) {
    const std::string key = prefix + std::to_string(round);
    if (!editProfile(path, [&](ProfileFile& profile) { profile.setValue("USER", key, "1"); })) {
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "forever") return writeForever(argv[2]);
  if (argc == 5 && std::string(argv[1]) == "rounds") {
    return writeRounds(argv[2], argv[3], std::atoi(argv[4]));
  }
  return 2;
}
