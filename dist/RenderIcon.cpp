// Writes the program's logo as PNG files of the sizes the desktop's icon theme uses, drawn by the
// same code as the about box. Usage: tabulon-render-icon FOLDER SIZE... (FOLDER/SIZE.png each).
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "Logo.h"

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: tabulon-render-icon FOLDER SIZE...\n");
        return 1;
    }
    const QDir folder(arguments.at(1));
    for (const QString& size : arguments.mid(2)) {
        const QString file = folder.filePath(size + QStringLiteral(".png"));
        if (!TabulonLogo(size.toInt()).save(file)) {
            std::fprintf(stderr, "tabulon-render-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
