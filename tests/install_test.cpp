// cmake --install: the command, its manual page and its bash completion,
// which name every option the command has.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>

#include "support/cli_runner.h"

namespace gridlet {
namespace {

namespace fs = std::filesystem;
using testing::RunCli;
using testing::ScratchFolder;

// The long options a --help text lists.
std::set<std::string> OptionsIn(const std::string& help) {
  std::set<std::string> options;
  const std::regex option("(^|[ ,])(--[a-z][a-z-]*)");
  for (auto it = std::sregex_iterator(help.begin(), help.end(), option); it != std::sregex_iterator(); ++it) {
    options.insert((*it)[2]);
  }
  return options;
}

// A man page writes "-" as "\-".
std::string InManPage(std::string option) {
  std::string out;
  for (char c : option) out += c == '-' ? std::string("\\-") : std::string(1, c);
  return out;
}

TEST(InstallTest, InstallsTheCommandItsManualAndItsCompletionNamingEveryOption) {
  const fs::path build = fs::path(testing::CliPath()).parent_path();
  ASSERT_TRUE(fs::exists(build / "CMakeCache.txt")) << build;
  ScratchFolder prefix;
  const std::string install = "cmake --install '" + build.string() + "' --prefix '" + prefix.Path().string() +
                              "' >'" + (prefix / "install.log") + "' 2>&1";
  ASSERT_EQ(std::system(install.c_str()), 0) << prefix.Read("install.log");
  const fs::path command = prefix.Path() / "bin/gridlet";
  const fs::path manual = prefix.Path() / "share/man/man1/gridlet.1";
  const fs::path completion = prefix.Path() / "share/bash-completion/completions/gridlet";
  ASSERT_TRUE(fs::exists(command));
  ASSERT_TRUE(fs::exists(manual));
  ASSERT_TRUE(fs::exists(completion));
  const std::string version = "'" + command.string() + "' --version >/dev/null";
  EXPECT_EQ(std::system(version.c_str()), 0);
  // `gridlet serve` starts the installed service program, which checks
  // the options it is handed.
  EXPECT_TRUE(fs::exists(prefix.Path() / "libexec/gridlet/gridlet-serve"));
  const std::string serve =
      "'" + command.string() + "' serve --port 70000 2>'" + (prefix / "serve.log") + "'";
  EXPECT_EQ(WEXITSTATUS(std::system(serve.c_str())), 2);
  EXPECT_NE(prefix.Read("serve.log").find("--port takes 0 to 65535"), std::string::npos)
      << prefix.Read("serve.log");

  const std::string manText = prefix.Read("share/man/man1/gridlet.1");
  const std::string completionText = prefix.Read("share/bash-completion/completions/gridlet");
  for (const char* subcommand : {"", "convert", "show", "sheets"}) {
    const auto help = RunCli(prefix, std::string(subcommand) + " --help");
    ASSERT_EQ(help.status, 0) << subcommand;
    const std::set<std::string> options = OptionsIn(help.out);
    EXPECT_FALSE(options.empty()) << subcommand;
    for (const std::string& option : options) {
      EXPECT_NE(manText.find(InManPage(option)), std::string::npos) << option << " is not in the manual";
      if (option != "--version" || std::string(subcommand).empty()) {
        EXPECT_NE(completionText.find(option), std::string::npos) << option << " is not completed";
      }
    }
    if (*subcommand) {
      EXPECT_NE(completionText.find(subcommand), std::string::npos) << subcommand;
    }
  }
  // The manual renders without a warning where groff is installed.
  if (std::system("command -v groff >/dev/null 2>&1") == 0) {
    const std::string render = "groff -man -ww -z '" + manual.string() + "' 2>'" + (prefix / "groff.log") + "'";
    EXPECT_EQ(std::system(render.c_str()), 0);
    EXPECT_EQ(prefix.Read("groff.log"), "");
  }
  if (std::system("command -v bash >/dev/null 2>&1") == 0) {
    EXPECT_EQ(std::system(("bash -n '" + completion.string() + "'").c_str()), 0);
  }
}

}  // namespace
}  // namespace gridlet
