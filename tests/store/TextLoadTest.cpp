#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <random>

#include <sys/stat.h>

#include "fixtures/TempHome.h"
#include "store/RegularFile.h"
#include "store/TextCodec.h"

using korvi::test::TempHome;

namespace {

const QString kJapanese = QStringLiteral(
    "日本語のテキスト、ひらがな・カタカナ・漢字。\n"
    "半角ｶﾀｶﾅもあります。ASCII text too.\n"
    "最後の行");
// ISO-2022-JP has no half-width kana.
const QString kJis = QStringLiteral("日本語のテキスト、ひらがな・カタカナ・漢字。\n最後の行");

QByteArray Png() {
    QByteArray b("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89",
                 33);
    std::mt19937 rng(1);
    for (int i = 0; i < 3000; ++i) b += char(rng());
    return b;
}

}  // namespace

TEST(LoadData, JapaneseEncodingsAllRead) {
    TempHome th;
    th.Write("utf8.txt", kJapanese.toUtf8());
    th.Write("bom.txt", "\xEF\xBB\xBF" + kJapanese.toUtf8());
    th.Write("sjis.txt", korvi::EncodeAs(kJapanese, "windows-31j"));
    th.Write("euc.txt", korvi::EncodeAs(kJapanese, "EUC-JP"));
    th.Write("jis.txt", korvi::EncodeAs(kJis, "ISO-2022-JP"));
    ASSERT_NE(th.Read("sjis.txt"), th.Read("euc.txt"));
    ASSERT_TRUE(th.Read("jis.txt").contains("\x1b$B"));
    const QString want = kJapanese + "\n";
    for (const char* name : {"utf8.txt", "bom.txt", "sjis.txt", "euc.txt"}) {
        EXPECT_EQ(th.Ctrl().LoadData(name), want) << name;
    }
    EXPECT_EQ(th.Ctrl().LoadData("jis.txt"), kJis + "\n");
    // Windows-only characters of Shift_JIS (NEC specials) read as well.
    const QString special = QStringLiteral("①②③ ㈱ 髙");
    th.Write("ms.txt", korvi::EncodeAs(special, "windows-31j"));
    EXPECT_EQ(th.Ctrl().LoadData("ms.txt"), special + "\n");
}

TEST(LoadData, LineEndsAndMissingFiles) {
    TempHome th;
    th.Write("crlf.txt", "a\r\nb\rc\n\nd");
    EXPECT_EQ(th.Ctrl().LoadData("crlf.txt"), "a\nb\nc\n\nd\n");
    th.Write("empty.txt", "");
    EXPECT_EQ(th.Ctrl().LoadData("empty.txt"), "");
    EXPECT_EQ(th.Ctrl().LoadData("missing.txt"), "");
    EXPECT_TRUE(
        QString::fromUtf8(th.Read("log_err/R.log")).contains("  C_File Read Data Error : "));
}

TEST(LoadDataEnc, TextInAnyEncodingJoinedByNewline) {
    TempHome th;
    th.Write("u.txt", "a\r\nb\n");
    EXPECT_EQ(th.Ctrl().LoadDataEnc("u.txt"), "a\nb");
    th.Write("sjis.html", korvi::EncodeAs(kJapanese + "\r\n", "windows-31j"));
    EXPECT_EQ(th.Ctrl().LoadDataEnc("sjis.html"), kJapanese);
    th.Write("euc.html", korvi::EncodeAs(kJapanese, "EUC-JP"));
    EXPECT_EQ(th.Ctrl().LoadDataEnc("euc.html"), kJapanese);
    th.Write("jis.txt", korvi::EncodeAs(kJis, "ISO-2022-JP"));
    EXPECT_EQ(th.Ctrl().LoadDataEnc("jis.txt"), kJis);
    // A stray form feed in a long text does not make it binary.
    const QString code = QString("int x;\n").repeated(40) + "\f\n" + QString("int y;\n");
    th.Write("code.c", code.toUtf8());
    EXPECT_EQ(th.Ctrl().LoadDataEnc("code.c"), code.chopped(1));
    EXPECT_EQ(th.Ctrl().LoadDataEnc("missing.txt"), "");
}

TEST(LoadDataEnc, PicturesAndOtherBinariesAreNotText) {
    TempHome th;
    th.Write("a.png", Png());
    EXPECT_EQ(th.Ctrl().LoadDataEnc("a.png"), "");
    const QByteArray gif(
        "GIF89a\x01\0\x01\0\x80\0\0\xff\xff\xff\0\0\0!\xf9\x04\x01\0\0\0\0,"
        "\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0;",
        43);
    th.Write("a.gif", gif);
    EXPECT_EQ(th.Ctrl().LoadDataEnc("a.gif"), "");
    // JPEG-like data: high bytes only, no control characters to speak of.
    QByteArray jpeg("\xff\xd8\xff\xe0", 4);
    std::mt19937 rng(2);
    for (int i = 0; i < 5000; ++i) jpeg += char(0x80 | (rng() & 0x7F));
    th.Write("a.jpg", jpeg);
    EXPECT_EQ(th.Ctrl().LoadDataEnc("a.jpg"), "");
    // A large picture is judged by its first bytes.
    QByteArray big = Png();
    big += QByteArray(200000, 'a');
    th.Write("big.png", big);
    EXPECT_EQ(th.Ctrl().LoadDataEnc("big.png"), "");
    // Text with binary data appended after the first bytes.
    QByteArray tail = QByteArray(70000, 'a') + Png().repeated(6);
    th.Write("tail.bin", tail);
    EXPECT_EQ(th.Ctrl().LoadDataEnc("tail.bin"), "");
    th.Write("nul.txt", QByteArray("ab\0cd", 5));
    EXPECT_EQ(th.Ctrl().LoadDataEnc("nul.txt"), "");
}

TEST(TextCodec, DetectionAndNonTextCount) {
    const QByteArray jis = korvi::EncodeAs(kJis, "ISO-2022-JP");
    const korvi::DecodedText d = korvi::DecodeTextDetail(jis);
    EXPECT_STREQ(d.encoding, "ISO-2022-JP");
    EXPECT_EQ(d.text, kJis);
    EXPECT_STREQ(korvi::DecodeTextDetail(korvi::EncodeAs(kJapanese, "EUC-JP")).encoding, "EUC-JP");
    EXPECT_STREQ(korvi::DecodeTextDetail(korvi::EncodeAs(kJapanese, "windows-31j")).encoding,
                 "windows-31j");
    // Plain ASCII with an ESC that opens nothing stays UTF-8.
    EXPECT_STREQ(korvi::DecodeTextDetail("a\x1b[0mb").encoding, "UTF-8");
    const QByteArray mixed("\x01\x08\x0b\x0c\x0e\x1f\x7f\xfd\xfe\xff\t\n\r a\x1b$B\x1b(J\x1bx", 23);
    EXPECT_EQ(korvi::CountNonTextBytes(mixed.constData(), mixed.size()), 11);
    // The same count wherever the bytes sit against the 16-byte blocks.
    for (int at = 0; at < 40; ++at) {
        const QByteArray b = QByteArray(at, 'x') + mixed + QByteArray(40 - at, '\xE3');
        ASSERT_EQ(korvi::CountNonTextBytes(b.constData(), b.size()), 11) << at;
    }
    EXPECT_FALSE(korvi::IsNonText(1, 64));
    EXPECT_TRUE(korvi::IsNonText(2, 64));
}

// Settings and lists come only from regular files of a sane length: a pipe
// never blocks a reader and a device or a huge file never fills memory.
TEST(LoadData, OnlyRegularFilesOfASaneLength) {
    TempHome th;
    ASSERT_EQ(::mkfifo(QFile::encodeName(th.File("fifo.ini")).constData(), 0600), 0);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(th.Ctrl().LoadData("fifo.ini"), "");
    EXPECT_EQ(th.Ctrl().LoadBytes("fifo.ini"), QByteArray());
    EXPECT_EQ(th.Ctrl().LoadDataEnc("fifo.ini"), "");
    EXPECT_EQ(th.Ctrl().LoadData("/dev/zero"), "");
    EXPECT_EQ(th.Ctrl().LoadBytes("/dev/zero"), QByteArray());
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_TRUE(QString::fromUtf8(th.Read("log_err/R.log")).contains("not a regular file"));

    // A sparse file one byte over the limit is refused; at the limit it reads.
    QFile big(th.File("big.ini"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(korvi::kSettingsFileMax + 1));
    big.close();
    EXPECT_EQ(th.Ctrl().LoadData("big.ini"), "");
    EXPECT_TRUE(QString::fromUtf8(th.Read("log_err/R.log")).contains("larger than"));
    th.Write("link.ini", "");
    QFile::remove(th.File("link.ini"));
    th.Write("real.ini", "[A]\nk=v\n");
    ASSERT_TRUE(QFile::link(th.File("real.ini"), th.File("link.ini")));
    EXPECT_EQ(th.Ctrl().LoadData("link.ini"), "[A]\nk=v\n");
}

// A pipe in place of the common settings does not hang a command.
TEST(LoadData, PipeAsCommonSettingsDoesNotHangACommand) {
    TempHome th;
    QFile::remove(th.File("cmn_opt.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(th.File("cmn_opt.ini")).constData(), 0600), 0);
    QProcess p;
    p.start(TempHome::BinDir() + "/korvi-run", {"--home", th.Path(), "map", "http://h/a.html"});
    const bool done = p.waitForFinished(15000);
    if (!done) p.kill();
    ASSERT_TRUE(done);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}
