#include "apps/split_window/texts.h"

#include <cstdio>

#include "format/record_layout.h"
#include "text/numbers.h"
#include "text/unicode.h"
#include "version.h"

namespace {

// Built by appending to one string: the operator+ chain on a temporary trips a
// false -Wrestrict of GCC 12 at -O3.
std::u16string Quoted(const std::string& utf8) {
    std::u16string text(1, u'"');
    text += WidenName(utf8);
    text += u'"';
    return text;
}

std::u16string Number(uint64_t number) { return Widen(FormatSize(number).text); }

// The end of every failure that comes once the outputs were being made.
const char kNothingKept[] = "\n\nNo se ha conservado nada de lo escrito.";

std::u16string PlanReason(PlanProblem problem) {
    switch (problem) {
        case PlanProblem::None: break;
        case PlanProblem::EmptyFile: return Widen("está vacío.");
        case PlanProblem::ZeroPartSize: return Widen("no puede haber partes de 0 bytes.");
        case PlanProblem::TooFewParts:
            return Widen("saldrían menos de 2 partes. Elija partes más pequeñas.");
        case PlanProblem::MorePartsThanBytes:
            return Widen("tiene menos bytes que partes pedidas.");
        case PlanProblem::TooManyParts:
            return Widen("saldrían más de ") + Number(kMaxPartCount) +
                   Widen(" partes, el máximo que admite el programa de unión. Elija partes más grandes.");
    }
    return Widen("no se sabe por qué.");
}

std::u16string LocateReason(LocateProblem problem) {
    switch (problem) {
        case LocateProblem::None: break;
        case LocateProblem::NotExecutable:
            return Widen("no es un programa de Windows ni de Linux.");
        case LocateProblem::Malformed: return Widen("sus cabeceras están dañadas.");
        case LocateProblem::NoRecord: return Widen("no lleva registro de unión.");
        case LocateProblem::Ambiguous: return Widen("lleva más de un registro de unión.");
        case LocateProblem::WrongSize:
            return Widen("su registro de unión no tiene el tamaño debido.");
    }
    return Widen("no se sabe por qué.");
}

std::u16string DistrustSentence(const Distrust& distrust) {
    switch (distrust.reason) {
        case DistrustReason::None: break;
        case DistrustReason::Owner:
            return Widen("pertenece a otro usuario (número ") + Number(distrust.owner) + u")";
        case DistrustReason::WritableByOthers:
            return Widen("puede ser modificado por cualquier usuario");
        case DistrustReason::WritableByGroup: return Widen("puede ser modificado por su grupo");
    }
    return Widen("no es de fiar");
}

std::u16string System(const SplitFailure& f) { return WidenName(f.system); }

}  // namespace

std::u16string Widen(const char* utf8) { return WidenName(utf8); }

std::u16string WidenName(const std::string& utf8) {
    std::u16string text;
    if (Utf8ToUtf16(utf8, &text)) return text;
    // Sequence by sequence: each valid one as it is, each other byte escaped.
    text.clear();
    for (size_t at = 0; at < utf8.size();) {
        uint32_t code = 0;
        size_t length = DecodeUtf8(utf8.data() + at, utf8.size() - at, &code, Surrogates::Carried);
        std::u16string one;
        if (length != 0 && Utf8ToUtf16(utf8.substr(at, length), &one)) {
            text += one;
            at += length;
            continue;
        }
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(utf8[at]));
        text += Widen(escape);
        ++at;
    }
    return text;
}

const char kWindowTitle[] = "Vantorel " SELVANORE_VERSION_TEXT " - Corte de archivos";
const char kTitleError[] = "Vantorel - Error";
const char kTitleDone[] = "Vantorel - Corte terminado";
const char kTitleQuestion[] = "Vantorel - Advertencia";
const char kFileLabel[] = "Archivo que cortar (también puede arrastrarlo a esta ventana):";
const char kBrowse[] = "Examinar...";
const char kChooseAFile[] = "Elija un archivo con [Examinar...].";
const char kCutLabel[] = "Tamaño de las partes:";
const char kPartSizeLabel[] = "Tamaño de cada parte:";
const char kPartCountAmountLabel[] = "Número de partes:";
const char kChecksumLabel[] = "Checksum:";
const char kOutDirLabel[] = "Carpeta de salida (por omisión, la del archivo):";
const char kCutButton[] = "Cortar";
const char kStopButton[] = "Anular";
const char* const kCutPresetLabels[kCutPresetCount] = {
    "Correo, adjuntos de 10 MB (partes de 6,5 MiB)",
    "Correo, adjuntos de 25 MB (partes de 17 MiB)",
    "CD de 700 MiB",
    "DVD de 4,7 GB",
    "Disco FAT32 (4 GiB menos un byte)",
};
const char kRecoveryLabel[] = "Recuperación:";
const char* const kRecoveryChoiceLabels[kRecoveryChoiceCount] = {
    "Automática", "Ninguna", "1 parte", "2 partes", "3 partes", "4 partes", "5 partes", "10 partes",
};
const char kOwnSizeLabel[] = "Tamaño propio";
const char kPartCountLabel[] = "Número de partes";
const char* const kSizeUnitLabels[kSizeUnitCount] = {"bytes", "KiB", "MiB", "GiB"};
const char kAllFiles[] = "Todos los archivos";
const char kFileDialogTitle[] = "Archivo que cortar";
const char kFolderDialogTitle[] = "Carpeta donde se escriben las partes:";
const char kChooseTheCut[] = "Elija cómo cortarlo y haga click en [Cortar].";
const char kNoWorker[] = "No se puede empezar el corte: el sistema no da un hilo de trabajo.";
const char kStopping[] = "Anulando el corte...";
const char kCutStopped[] = "El corte ha sido anulado: no se ha conservado nada.";
const char kCutImpossible[] = "El corte no ha sido posible.";
const char kOpenTheFolder[] = "\n\n¿Desea abrir la carpeta?";
const char kCloseQuestion[] =
    "Se está cortando un archivo. ¿Desea anular el corte y salir?\n\nNo se conservará nada de lo escrito.";
const char kNoClock[] = "--:--:--";

std::u16string FileSizeText(uint64_t size) {
    return Widen("Tamaño : ") + Number(size) + Widen(" bytes (") + Widen(ShortSize(size).c_str()) + u")";
}

std::u16string RecoveringText(const std::string& file) {
    return Widen("Escribiendo los datos de recuperación de ") + Quoted(file) + u"...";
}

std::u16string ElapsedText(const char* clock) { return Widen("Tiempo transcurrido : ") + Widen(clock); }

std::u16string RemainingText(const char* clock) { return Widen("Tiempo restante : ") + Widen(clock); }

std::u16string CuttingText(const std::string& file) {
    return Widen("Cortando \"") + WidenName(file) + Widen("\"...");
}

std::u16string CutDoneText(const SplitResult& result) {
    return Widen("Corte terminado: \"") + WidenName(result.name) + Widen("\" en ") + Number(result.partCount) +
           Widen(" partes.");
}

std::u16string FailureReason(const SplitFailure& f) {
    const std::u16string name = Quoted(f.name);
    switch (f.cause) {
        case SplitCause::DeviceName:
            return Widen("Windows reserva el nombre ") + name +
                   Widen(" para un dispositivo: el programa de unión no podría escribir el "
                         "archivo. Cambie el nombre del archivo.");
        case SplitCause::DroppedEnd:
            return Widen("El nombre ") + name +
                   Widen(" termina en un punto o en un espacio, que Windows suprime: el programa "
                         "de unión escribiría otro archivo. Cambie el nombre del archivo.");
        case SplitCause::InputNotRegular:
            return name + Widen(" no es un archivo normal (¿es una carpeta o un dispositivo?).");
        case SplitCause::InputCannotOpen:
            return Widen("No se puede abrir ") + name + u": " + System(f);
        case SplitCause::InputIsStream:
            return name + Widen(" es un flujo abierto, no un archivo de una carpeta. Indique la "
                                "ruta del propio archivo.");
        case SplitCause::CannotCut:
            return Widen("No se puede cortar ") + name + u" (" + Number(f.number) +
                   Widen(" bytes): ") + PlanReason(f.plan);
        case SplitCause::NameNotUtf8:
            return Widen("El nombre ") + name + Widen(" no es UTF-8 válido (en el byte ") +
                   Number(f.number) + u").";
        case SplitCause::NameNotWindows1252:
            return Widen("El nombre ") + name +
                   Widen(" tiene un carácter que este programa de unión no sabe escribir (es de "
                         "una versión anterior y solo conoce los de Windows-1252). Use el "
                         "programa de unión de esta versión o cambie el nombre del archivo.");
        case SplitCause::NameNotAllowed:
            return Widen("El nombre ") + name +
                   Widen(" tiene un carácter que Windows no admite en los nombres de archivo. "
                         "Cambie el nombre del archivo.");
        case SplitCause::NameTooLongForJoiner:
            return Widen("El nombre ") + name +
                   Widen(" es demasiado largo: el programa de unión admite nombres de partes de "
                         "519 caracteres como máximo.");
        case SplitCause::NoOwnPath:
            return Widen("No se sabe en qué carpeta está este programa, así que no se encuentra "
                         "el programa de unión que acompaña a las partes.");
        case SplitCause::DefaultJoinerMissing:
            if (f.buildTree) {
                return Widen("No se encuentra el programa de unión ") + name +
                       Widen(" en este árbol de compilación (¿se ha compilado?).");
            }
            return Widen("No se encuentra el programa de unión ") + name +
                   Widen(", que se instala con este programa. Vuelva a instalar Vantorel.");
        case SplitCause::DefaultJoinerDistrusted:
            return Widen("Se rechaza el programa de unión ") + name +
                   Widen(f.distrust.folder ? ": la carpeta " : ": el archivo ") +
                   Quoted(f.distrust.path) + u" " + DistrustSentence(f.distrust) +
                   Widen(", así que otra persona podría haberlo puesto ahí.");
        case SplitCause::JoinerNotRegular:
            return Widen("El programa de unión ") + name + Widen(" no es un archivo normal.");
        case SplitCause::JoinerCannotOpen:
            return Widen("No se puede abrir el programa de unión ") + name + u": " + System(f);
        case SplitCause::JoinerTooLarge:
            return Widen("El archivo ") + name +
                   Widen(" es demasiado grande para ser un programa de unión.");
        case SplitCause::JoinerCannotRead:
            return Widen("No se puede leer el programa de unión ") + name + u": " + System(f);
        case SplitCause::JoinerShrank:
            return Widen("No se puede leer el programa de unión ") + name +
                   Widen(": se ha acortado mientras se leía.");
        case SplitCause::JoinerUnusable:
            return Widen("No se puede usar el programa de unión ") + name + u": " +
                   LocateReason(f.locate);
        case SplitCause::JoinerRecordUnrecognised:
            return Widen("No se puede usar el programa de unión ") + name +
                   Widen(": su registro de unión no es ni la plantilla ni un registro sellado.");
        case SplitCause::OutDirMissing:
            return Widen("La carpeta de salida ") + name + Widen(" no existe.");
        case SplitCause::OutDirNotDirectory:
            return Widen("La salida ") + name + Widen(" no es una carpeta.");
        case SplitCause::OutDirCannotUse:
            return Widen("No se puede usar la carpeta de salida ") + name + u": " + System(f);
        case SplitCause::NameTooLongForFolder:
            return Widen("El nombre ") + name + Widen(" es demasiado largo: ") + Quoted(f.other) +
                   Widen(" superaría los ") + Number(f.number) +
                   Widen(f.units == NameUnit::Bytes ? " bytes" : " caracteres") +
                   Widen(" que admite un nombre de archivo en la carpeta de salida.");
        case SplitCause::TooMuchRecovery:
            return Widen("Se han pedido ") + Number(f.number) +
                   Widen(" partes de recuperación para ") + name + Widen(", que se corta en ") +
                   Widen(f.other.c_str()) +
                   Widen(" partes: cada una reconstruye una sola parte, así que elija como mucho "
                         "tantas como partes.");
        case SplitCause::OutputExists:
            return name + Widen(" ya existe. Vantorel nunca reemplaza un archivo: bórrelo o "
                                "elija otra carpeta de salida.");
        case SplitCause::OutputUnknown:
            return Widen("No se puede saber si ") + name + Widen(" existe: ") + System(f) +
                   Widen(". Elija otra carpeta de salida.");
        case SplitCause::OutOfMemory: return Widen("No hay memoria suficiente.");
        case SplitCause::NoRandomSource:
            return Widen("El sistema no da números aleatorios para los nombres temporales: ") +
                   System(f) + Widen(kNothingKept);
        case SplitCause::CannotCreate:
            return Widen("No se puede crear ") + name + u": " + System(f) + Widen(kNothingKept);
        case SplitCause::TemporariesTaken:
            return Widen("No se puede crear un archivo temporal en ") + name + Widen(": los ") +
                   Number(f.number) + Widen(" nombres al azar probados ya existían.") +
                   Widen(kNothingKept);
        case SplitCause::CannotWrite:
            return Widen("No se puede escribir ") + name + u": " + System(f) + Widen(kNothingKept);
        case SplitCause::CannotReadInput:
            return Widen("No se puede leer ") + name + u": " + System(f) + Widen(kNothingKept);
        case SplitCause::InputShrank:
            return name + Widen(" se ha acortado mientras se cortaba.") + Widen(kNothingKept);
        case SplitCause::InputGrew:
            return name + Widen(" ha crecido mientras se cortaba.") + Widen(kNothingKept);
        case SplitCause::InputChanged:
            return name + Widen(" ha cambiado mientras se cortaba.") + Widen(kNothingKept);
        case SplitCause::CannotReadPart:
            return Widen("No se puede volver a leer ") + name +
                   Widen(" para los datos de recuperación: ") + System(f) + Widen(kNothingKept);
        case SplitCause::PartChanged:
            return name + Widen(" ha cambiado antes de escribir los datos de recuperación.") +
                   Widen(kNothingKept);
        case SplitCause::StampUnreadable:
            return Widen("Error interno: el registro sellado en el programa de unión no se puede "
                         "volver a leer.") +
                   Widen(kNothingKept);
        case SplitCause::Interrupted: return Widen("El corte ha sido anulado.") + Widen(kNothingKept);
        case SplitCause::CannotName:
            return Widen("No se puede dar su nombre a ") + name + u": " + System(f) +
                   Widen(kNothingKept);
        case SplitCause::CannotSyncFolder:
            return Widen("No se puede asegurar en el disco la carpeta de salida ") + name + u": " +
                   System(f) + Widen(kNothingKept);
    }
    return Widen("Error desconocido.");
}

std::u16string FailureText(const std::string& file, const SplitFailure& failure) {
    return Widen("No se ha podido cortar el archivo\n") + Quoted(file) + u"\n\n" +
           FailureReason(failure);
}

std::u16string SummaryText(const SplitResult& result, const std::string& folder,
                           const CutChoice& choice) {
    uint64_t total = result.fileSize + result.joinerSize + result.listSize + result.recoverySize;
    uint64_t recoveryFiles = result.recoveryCount > 0 ? result.recoveryNames.size() + 1 : 0;
    uint64_t files = uint64_t{result.partCount} + 1 + (result.list.empty() ? 0 : 1) + recoveryFiles;
    std::u16string text = Widen("Se ha cortado ") + Quoted(result.name) + u" (" +
                          Number(result.fileSize) + Widen(" bytes) en ") +
                          Number(result.partCount) + Widen(" partes.\n\n");
    text += Widen("El conjunto tiene ") + Number(files) + Widen(" archivos, ") +
            Widen(ShortSize(total).c_str()) + Widen(" en total (") + Number(total) +
            Widen(" bytes):\n");
    text += Widen("- las partes, de ") + Quoted(result.firstPart) + Widen(" a ") +
            Quoted(result.lastPart) + u";\n";
    text += Widen("- el programa de unión ") + Quoted(result.joinerName) +
            Widen(", que las vuelve a unir con un doble clic");
    if (!result.list.empty()) {
        text += Widen(";\n- la lista de comprobación ") + Quoted(result.listName) +
                Widen(", para comprobarlas con sha256sum");
    }
    if (result.recoveryCount > 0) {
        size_t volumes = result.recoveryNames.size();
        text += Widen(";\n- los datos de recuperación ") + Quoted(result.recoveryIndexName) +
                Widen(volumes == 1 ? " y " : ", ") + Quoted(result.recoveryNames.front());
        if (volumes > 1) text += Widen(" a ") + Quoted(result.recoveryNames.back());
        text += Widen(" (PAR 2.0): con ellos se reconstruye");
        text += result.recoveryCount == 1
                    ? Widen(" cualquier parte que se pierda o llegue dañada")
                    : Widen(" cualquier grupo de ") + Number(result.recoveryCount) +
                          Widen(" partes que se pierdan o lleguen dañadas");
    }
    text += u".\n";
    if (choice.mailLimit != 0 && !choice.byParts) {
        text += Widen("\nCada parte cabe en un adjunto de correo de ") +
                Number(choice.mailLimit / 1000000) + Widen(" MB") + Widen(": codificada en base64 ocupa ") +
                Number(MailEncodedSize(choice.partSize)) + Widen(" bytes como mucho, menos que los ") +
                Number(choice.mailLimit) + Widen(" que cuenta el servicio de correo.\n");
    }
    text += Widen("\nLos servicios de correo rechazan los programas (.exe) adjuntos: envíe ") +
            Quoted(result.joinerName) + Widen(" por otra vía (un enlace de descarga, una memoria USB)") +
            Widen(result.list.empty() ? " o solo las partes." : " o solo las partes y la lista.") +
            Widen(" Sin el programa de unión, quien las recibe las une con selvanore en Linux o con "
                  "copy /b en Windows") +
            Widen(result.list.empty() ? ".\n"
                                      : " y las comprueba con la lista (las líneas de PowerShell "
                                        "de README.txt).\n");
    text += Widen("\nCarpeta: ") + Quoted(folder);
    return text;
}

std::u16string AmountText(const char* amount, AmountProblem problem, bool parts) {
    std::u16string text = Widen("La cantidad \"") + Widen(amount) + u"\"";
    switch (problem) {
        case AmountProblem::None:
        case AmountProblem::NotANumber:
            return text + Widen(parts ? " no es un número de partes. Escriba un número entero, "
                                        "por ejemplo 3."
                                      : " no es un tamaño. Escriba un número, con coma decimal "
                                        "si hace falta, por ejemplo 6,5.");
        case AmountProblem::Fraction:
            return text + Widen(parts ? " tiene decimales: escriba un número entero de partes."
                                      : " tiene decimales: un tamaño en bytes es un número entero.");
        case AmountProblem::TooLarge: return text + Widen(" es demasiado grande.");
    }
    return text;
}

std::u16string WarningText(const SplitWarning& warning) {
    switch (warning.kind) {
        case SplitWarningKind::LongJoinerName:
            return Widen("El nombre del programa de unión ") + Quoted(warning.name) +
                   Widen(" tiene ") + Number(warning.count) +
                   Widen(" caracteres: Windows no abre un programa cuya ruta pase de 260, así "
                         "que quien lo reciba debe guardarlo en una carpeta de ruta corta.");
        case SplitWarningKind::Leftovers:
            return Widen("En la carpeta de salida ") + Quoted(warning.name) + Widen(" hay ") +
                   Number(warning.count) +
                   Widen(" archivos temporales de cortes anteriores que no terminaron "
                         "(.vantorel-split-*); no se han tocado.");
    }
    return Widen("Aviso desconocido.");
}
