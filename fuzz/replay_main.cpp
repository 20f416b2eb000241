// Runs a fuzz entry function over files and folders of saved inputs, so the
// normal test run replays the seed corpora and every saved crash input
// without libFuzzer.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse);

int main(int argc, char** argv) {
    int gelaufen = 0;
    for (int i = 1; i < argc; ++i) {
        const QString pfad = QString::fromLocal8Bit(argv[i]);
        QStringList dateien;
        if (QFileInfo(pfad).isDir()) {
            QDirIterator it(pfad, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                dateien << it.next();
            }
        } else if (QFileInfo::exists(pfad)) {
            dateien << pfad;
        }
        dateien.sort();
        for (const QString& datei : dateien) {
            QFile f(datei);
            if (!f.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "nicht lesbar: %s\n", qPrintable(datei));
                return 1;
            }
            const QByteArray inhalt = f.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(inhalt.constData()),
                                   static_cast<size_t>(inhalt.size()));
            ++gelaufen;
        }
    }
    std::printf("%d Eingaben ohne Fehler\n", gelaufen);
    return gelaufen > 0 ? 0 : 1;
}
