// Both programs answer `--version` with the name and the project's version, with no display.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

namespace lumi {
namespace {

TEST(DesktopVersion, BothProgramsAnswerWithTheProjectsVersion) {
  const QString expected = QStringLiteral("LumiRastra " LUMI_PROJECT_VERSION "\n");
  ASSERT_TRUE(QRegularExpression(QStringLiteral("^LumiRastra \\d+\\.\\d+\\.\\d+\n$"))
                  .match(expected).hasMatch());
  for (const char* program : {LUMI_DESKTOP_PROGRAM, LUMI_TRACE_PROGRAM}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    // The version comes first, whatever follows it.
    process.start(QString::fromUtf8(program),
                  {QStringLiteral("--version"), QStringLiteral("x.ops")});
    ASSERT_TRUE(process.waitForFinished(60000)) << program;
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << program;
    EXPECT_EQ(process.exitCode(), 0) << program;
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()), expected) << program;
  }
}

}  // namespace
}  // namespace lumi
