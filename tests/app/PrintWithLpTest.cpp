// The shipped SpoolCommand example, with a stand-in lp on the path.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "datastream/SpoolFileLayout.h"
#include "support/TempFolder.h"

namespace oprinter {
namespace {

constexpr const char* kLpStandIn = R"sh(#!/bin/sh
printf '%s\n' "$*" >"$(dirname "$0")/lp.args"
for last; do :; done
cat "$last" >"$(dirname "$0")/lp.text"
)sh";

int RunExample(const test::TempFolder& folder, const std::string& environment) {
    const std::string command = "cd '" + folder.Path() + "' && PATH='" + folder.Path() + ":" OPRINTER_BINARY_DIR ":/usr/bin:/bin' " +
                                environment + " sh " OPRINTER_SOURCE_DIR "/packaging/examples/print-with-lp.sh '" +
                                folder.File("F 1.spool") + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PrintWithLp, PrintsTheTextInUtf8OnTheQueueWithTheCopiesAndFailsWithLp) {
    test::TempFolder folder;
    folder.Write("lp", kLpStandIn);
    ::chmod(folder.File("lp").c_str(), 0755);
    const std::string text = "Citt\xE0\r\n\fRIGA 2\r\n";
    folder.Write("F 1.spool", SpoolFileHeader(AttributeText({"Nome=F"}), text.size()) + text);
    EXPECT_EQ(RunExample(folder, "OPRINTER_NOME=Fattura OPRINTER_NUMEROCOPIE=2 OPRINTER_LP_QUEUE=office"), 0);
    // The text goes to lp in a file of its own, gone afterwards.
    EXPECT_EQ(folder.Read("lp.args").rfind("-t Fattura -o document-format=text/plain -d office -n 2 /", 0), 0u)
        << folder.Read("lp.args");
    EXPECT_NE(folder.Read("lp.text").find("Citt\xC3\xA0"), std::string::npos) << folder.Read("lp.text");

    folder.Write("lp", "#!/bin/sh\necho 'lp: The printer or class does not exist.' >&2\nexit 1\n");
    EXPECT_EQ(RunExample(folder, ""), 1);
}

}  // namespace
}  // namespace oprinter
