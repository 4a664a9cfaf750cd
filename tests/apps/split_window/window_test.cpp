// The splitter window's own logic, natively: the presets against the media
// and mail limits they are named after, the amount typed, and the Spanish
// texts (compared in UTF-8 with u8 literals, independent of the program's
// Windows-1252 ones).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "text/unicode.h"
#include "apps/split_window/choices.h"
#include "apps/split_window/texts.h"
#include "split/byte_count.h"

namespace {

std::string Utf8(const std::u16string& text) { return Utf16ToUtf8(text); }

// ---- The presets ---------------------------------------------------------

// A mail preset passes its limit once encoded, leaving room for the headers
// and the message; the media presets fit the media.
TEST(SplitWindowPresets, FitWhatTheyAreNamedAfter) {
    // base64 in lines of 76 characters and CR LF: 57 bytes make one line.
    EXPECT_EQ(MailEncodedSize(0), 0u);
    EXPECT_EQ(MailEncodedSize(1), 6u);
    EXPECT_EQ(MailEncodedSize(57), 78u);
    EXPECT_EQ(MailEncodedSize(58), 84u);
    int mail = 0;
    for (size_t i = 0; i < kCutPresetCount; ++i) {
        const CutPreset& preset = kCutPresets[i];
        if (preset.mailLimit == 0) continue;
        ++mail;
        EXPECT_LE(MailEncodedSize(preset.partSize) + 512 * 1024, preset.mailLimit) << kCutPresetLabels[i];
    }
    EXPECT_EQ(mail, 2);
    EXPECT_EQ(kCutPresets[0].mailLimit, 10000000u);  // the default: the smaller mail
    EXPECT_LE(kCutPresets[2].partSize, 360000ull * 2048);      // an 80-minute CD's data
    EXPECT_LE(kCutPresets[3].partSize, 2295104ull * 2048);     // a single-layer DVD-R's
    EXPECT_EQ(kCutPresets[4].partSize, 4294967295u);         // FAT32's largest file
}

// A unit of the window means what the command line reads it as: MB and
// its kin are powers of 1000 in both, so the window's powers of 1024 say
// KiB, MiB and GiB.
TEST(SplitWindowPresets, EachUnitMeansWhatTheCommandLineReadsItAs) {
    for (size_t i = 1; i < kSizeUnitCount; ++i) {
        uint64_t bytes = 0;
        ASSERT_TRUE(ParseByteCount((std::string("1") + kSizeUnitLabels[i]).c_str(), &bytes)) << kSizeUnitLabels[i];
        EXPECT_EQ(bytes, kSizeUnits[i]) << kSizeUnitLabels[i];
    }
    EXPECT_EQ(kSizeUnits[kDefaultSizeUnit], 1u << 20);
}

CutChoice Choose(size_t index, const char* amount, size_t unit = kDefaultSizeUnit,
                 AmountProblem expected = AmountProblem::None) {
    CutChoice choice;
    AmountProblem problem = AmountProblem::NotANumber;
    int made = ChooseCut(index, amount, unit, &choice, &problem);
    EXPECT_EQ(made != 0, expected == AmountProblem::None) << amount;
    EXPECT_EQ(problem, expected) << amount;
    return choice;
}

TEST(SplitWindowPresets, TheAmountTypedIsASizeInItsUnitOrACountOfParts) {
    CutChoice preset = Choose(1, "ignored");
    EXPECT_FALSE(preset.byParts);
    EXPECT_EQ(preset.partSize, 17u << 20);
    EXPECT_EQ(preset.mailLimit, 25000000u);

    const size_t own = kCutPresetCount, parts = kCutPresetCount + 1;
    EXPECT_EQ(Choose(own, "6,5").partSize, 6815744u);
    EXPECT_EQ(Choose(own, " 2 ", 1).partSize, 2048u);
    EXPECT_EQ(Choose(own, "1,0005", 1).partSize, 1024u);  // the part of a byte dropped
    EXPECT_EQ(Choose(own, "1500", 0).partSize, 1500u);
    EXPECT_EQ(Choose(own, "4", 3).partSize, 4ull << 30);
    EXPECT_EQ(Choose(own, "0").partSize, 0u);  // the job refuses it, in its words
    EXPECT_EQ(Choose(own, "7").mailLimit, 0u);
    CutChoice count = Choose(parts, "12");
    EXPECT_TRUE(count.byParts);
    EXPECT_EQ(count.parts, 12u);
    EXPECT_EQ(Choose(parts, "3,0").parts, 3u);

    Choose(own, "", 2, AmountProblem::NotANumber);
    Choose(own, ",5", 2, AmountProblem::NotANumber);
    Choose(own, "6.5", 2, AmountProblem::NotANumber);
    Choose(own, "6,", 2, AmountProblem::NotANumber);
    Choose(own, "1 2", 2, AmountProblem::NotANumber);
    Choose(own, "-3", 2, AmountProblem::NotANumber);
    Choose(own, "1,5", 0, AmountProblem::Fraction);
    Choose(parts, "2,5", 0, AmountProblem::Fraction);
    Choose(own, "18446744073709551616", 0, AmountProblem::TooLarge);
    Choose(own, "17179869184", 3, AmountProblem::TooLarge);
    Choose(parts, "18446744073709551615");
}

// ---- Failures ----------------------------------------------------------------

TEST(SplitWindowTexts, AFailureNamesTheFileAndWhatItConcerns) {
    SplitFailure f;
    f.cause = SplitCause::OutputExists;
    f.name = u8"C:\\salida\\Año.bin__001";
    EXPECT_EQ(Utf8(FailureText(u8"C:\\datos\\Año.bin", f)),
              u8"No se ha podido cortar el archivo\n\"C:\\datos\\Año.bin\"\n\n"
              u8"\"C:\\salida\\Año.bin__001\" ya existe. Vantorel nunca reemplaza un archivo: "
              u8"bórrelo o elija otra carpeta de salida.");
    f.cause = SplitCause::CannotCut;
    f.name = "x.bin";
    f.number = 1234567;
    f.plan = PlanProblem::TooFewParts;
    EXPECT_EQ(Utf8(FailureReason(f)),
              u8"No se puede cortar \"x.bin\" (1.234.567 bytes): saldrían menos de 2 partes. "
              u8"Elija partes más pequeñas.");
    // A name in any script, and bytes that are not UTF-8, reach the box.
    f.cause = SplitCause::OutDirMissing;
    // (Cyrillic "Пап" and U+1F600 in UTF-8 bytes.)
    f.name = "C:\\\xd0\x9f\xd0\xb0\xd0\xbf\\\xf0\x9f\x98\x80";
    EXPECT_EQ(Utf8(FailureReason(f)),
              "La carpeta de salida \"C:\\\xd0\x9f\xd0\xb0\xd0\xbf\\\xf0\x9f\x98\x80\" no existe.");
    f.name = "a\xff" "b";
    EXPECT_EQ(Utf8(FailureReason(f)), u8"La carpeta de salida \"a\\xFFb\" no existe.");
}

// Every cause has a sentence of its own, naming the system's reason where
// there is one, and those of a run that had begun to write say that
// nothing was kept. No text holds a C1 control: a character outside
// Windows-1252 would have come out as one.
TEST(SplitWindowTexts, EveryCauseHasItsOwnSentence) {
    std::set<std::u16string> seen;
    for (int cause = static_cast<int>(SplitCause::DeviceName);
         cause <= static_cast<int>(SplitCause::CannotSyncFolder); ++cause) {
        SplitFailure f;
        f.cause = static_cast<SplitCause>(cause);
        f.name = "N";
        f.system = "SYSTEM";
        f.plan = PlanProblem::EmptyFile;
        f.locate = LocateProblem::NoRecord;
        f.distrust.reason = DistrustReason::WritableByGroup;
        std::u16string text = FailureReason(f);
        std::string utf8 = Utf8(text);
        EXPECT_TRUE(seen.insert(text).second) << cause << ": " << utf8;
        EXPECT_EQ(utf8.find("desconocido"), std::string::npos) << cause;
        for (char16_t unit : text) EXPECT_FALSE(unit >= 0x80 && unit < 0xA0) << cause << ": " << utf8;
        bool written = f.cause >= SplitCause::NoRandomSource && f.cause != SplitCause::StampUnreadable;
        EXPECT_EQ(utf8.find("No se ha conservado nada") != std::string::npos,
                  written || f.cause == SplitCause::StampUnreadable)
            << cause << ": " << utf8;
    }
    SplitFailure f;
    f.cause = SplitCause::CannotWrite;
    f.name = "p";
    f.system = "disco lleno";
    EXPECT_EQ(Utf8(FailureReason(f)),
              u8"No se puede escribir \"p\": disco lleno\n\nNo se ha conservado nada de lo escrito.");
}

// ---- The summary -------------------------------------------------------------

TEST(SplitWindowTexts, TheSummarySaysWhatToSendAndHowMuch) {
    SplitResult r;
    r.name = u8"Año.iso";
    r.fileSize = 15000000;
    r.partCount = 3;
    r.firstPart = u8"Año.iso__000";
    r.lastPart = u8"Año.iso__002";
    r.joiner = u8"C:\\out\\Año.iso__join.exe";
    r.joinerName = u8"Año.iso__join.exe";
    r.joinerSize = 321024;
    r.list = u8"C:\\out\\Año.iso.sha256";
    r.listName = u8"Año.iso.sha256";
    r.listSize = 300;
    CutChoice mail;
    mail.partSize = kCutPresets[0].partSize;
    mail.mailLimit = kCutPresets[0].mailLimit;
    EXPECT_EQ(Utf8(SummaryText(r, "C:\\out", mail)),
              u8"Se ha cortado \"Año.iso\" (15.000.000 bytes) en 3 partes.\n\n"
              u8"El conjunto tiene 5 archivos, 14,6 MiB en total (15.321.324 bytes):\n"
              u8"- las partes, de \"Año.iso__000\" a \"Año.iso__002\";\n"
              u8"- el programa de unión \"Año.iso__join.exe\", que las vuelve a unir con un doble "
              u8"clic;\n"
              u8"- la lista de comprobación \"Año.iso.sha256\", para comprobarlas con sha256sum.\n\n"
              u8"Cada parte cabe en un adjunto de correo de 10 MB: codificada en base64 ocupa "
              u8"9.326.810 bytes como mucho, menos que los 10.000.000 que cuenta el servicio de "
              u8"correo.\n\n"
              u8"Los servicios de correo rechazan los programas (.exe) adjuntos: envíe "
              u8"\"Año.iso__join.exe\" por otra vía (un enlace de descarga, una memoria USB) o solo "
              u8"las partes y la lista. Sin el programa de unión, quien las recibe las une con "
              u8"selvanore en Linux o con copy /b en Windows y las comprueba con la lista (las "
              u8"líneas de PowerShell de README.txt).\n\n"
              u8"Carpeta: \"C:\\out\"");
    r.list.clear();
    r.listSize = 0;
    CutChoice parts;
    parts.byParts = true;
    parts.parts = 3;
    std::string text = Utf8(SummaryText(r, "C:\\out", parts));
    EXPECT_NE(text.find(u8"tiene 4 archivos, 14,6 MiB en total (15.321.024 bytes)"), std::string::npos)
        << text;
    EXPECT_NE(text.find(u8"con un doble clic.\n\nLos servicios de correo"), std::string::npos) << text;
    EXPECT_NE(text.find(u8"o solo las partes. Sin el programa de unión, quien las recibe las une con "
                        u8"selvanore en Linux o con copy /b en Windows.\n\nCarpeta"),
              std::string::npos)
        << text;
}

// The recovery files are among the files to send, with the parts they can
// rebuild; the window's choices are the request's counts.
TEST(SplitWindowTexts, TheSummaryNamesTheRecoveryFilesAndWhatTheyRebuild) {
    SplitResult r;
    r.name = u8"Año.iso";
    r.fileSize = 15000000;
    r.partCount = 3;
    r.firstPart = u8"Año.iso__000";
    r.lastPart = u8"Año.iso__002";
    r.joinerName = u8"Año.iso__join.exe";
    r.joinerSize = 321024;
    r.recoveryCount = 1;
    r.recoveryIndexName = u8"Año.iso.par2";
    r.recoveryNames = {u8"Año.iso.vol0+1.par2"};
    r.recoverySize = 5002000;
    CutChoice parts;
    parts.byParts = true;
    std::string text = Utf8(SummaryText(r, "C:\\out", parts));
    EXPECT_NE(text.find(u8"El conjunto tiene 6 archivos, 19,4 MiB en total (20.323.024 bytes)"), std::string::npos) << text;
    EXPECT_NE(text.find(u8"con un doble clic;\n- los datos de recuperación \"Año.iso.par2\" y "
                        u8"\"Año.iso.vol0+1.par2\" (PAR 2.0): con ellos se reconstruye cualquier parte "
                        u8"que se pierda o llegue dañada.\n"),
              std::string::npos)
        << text;
    r.recoveryCount = 3;
    r.recoveryNames = {u8"Año.iso.vol0+1.par2", u8"Año.iso.vol1+2.par2"};
    text = Utf8(SummaryText(r, "C:\\out", parts));
    EXPECT_NE(text.find(u8"El conjunto tiene 7 archivos"), std::string::npos) << text;
    EXPECT_NE(text.find(u8"\"Año.iso.par2\", \"Año.iso.vol0+1.par2\" a \"Año.iso.vol1+2.par2\" (PAR 2.0): con "
                        u8"ellos se reconstruye cualquier grupo de 3 partes que se pierdan o lleguen dañadas."),
              std::string::npos)
        << text;

    const std::optional<uint32_t> counts[kRecoveryChoiceCount] = {std::nullopt, 0, 1, 2, 3, 4, 5, 10};
    for (size_t i = 0; i < kRecoveryChoiceCount; ++i) {
        EXPECT_EQ(RecoveryOfChoice(i), counts[i]) << i;
        std::string label = Utf8(Widen(kRecoveryChoiceLabels[i]));
        if (counts[i] && *counts[i] > 0) {
            EXPECT_EQ(label.rfind(std::to_string(*counts[i]) + " parte", 0), 0u) << label;
        }
    }
    EXPECT_EQ(Utf8(Widen(kRecoveryChoiceLabels[0])), u8"Automática");
    EXPECT_EQ(Utf8(Widen(kRecoveryChoiceLabels[1])), u8"Ninguna");
}

}  // namespace
