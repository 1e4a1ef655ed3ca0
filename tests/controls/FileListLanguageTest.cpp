#include <QtTest>

#include "FileListLanguage.h"

using namespace filelanguage;

class FileListLanguageTest : public QObject {
    Q_OBJECT
private slots:
    void picksTheBase_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("userLocale");
        QTest::addColumn<int>("base");
        QTest::newRow("English") << int(lnEnglish) << "de_DE" << 900;
        QTest::newRow("Italian") << int(lnItalian) << "en_US" << 1600;
        QTest::newRow("French") << int(lnFrench) << "en_US" << 1200;
        QTest::newRow("German") << int(lnGerman) << "en_US" << 700;
        QTest::newRow("Spanish") << int(lnSpanish) << "en_US" << 1000;
        QTest::newRow("user default") << int(lnUserDefault) << "es_ES" << 1000;
        QTest::newRow("user language without a set") << int(lnUserDefault) << "ja_JP" << 900;
        QTest::newRow("system default") << int(lnSystemDefault) << "fr_FR" << 1200;
    }
    void picksTheBase() {
        QFETCH(int, language);
        QFETCH(QString, userLocale);
        QFETCH(int, base);
        // The system's locale stands in for the user's where the row asks for the system default.
        const QLocale locale(userLocale);
        QCOMPARE(StringBase(static_cast<TLanguage>(language), locale, locale), base);
    }

    void holdsEveryText_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QStringList>("texts");  // English, Italian, German, French, Spanish
        const auto row = [](int offset, const QStringList& texts) {
            QTest::newRow(qPrintable(QString::number(offset))) << offset << texts;
        };
        row(11, {"Name", "Nome", "Name", "Nom", "Nombre"});
        row(12, {"Size", "Dimensione", "Größe", "Taille", "Tamaño"});
        row(13, {"Type", "Tipo", "Typ", "Type", "Extensión"});
        row(14, {"Last Modify", "Modificato", "Geändert am", "Dernière Modification", "Fecha/Hora"});
        row(15, {"Attr", "Attr", "Dateiattribute", "Attr", "Atrib"});
        row(21, {"Unknown", "Tipo Sconosciuto", "Unbekannt", "Inconnu", "Desconocido"});
        row(22, {"Not exist", "L'unita non esiste", "Nicht existent", "n'existe pas", "No existe"});
        row(23, {"Removable Unit", "Unità Rimovibile", "Wechselbares Speichermedium", "Unité amovible",
                 "Unidad Removible"});
        row(24, {"Fixed Unit", "Disco Fisso", "Festplatte", "Unité Fixe", "Unidad Fija"});
        row(25, {"Network Unit", "Unità di Rete", "Netzlaufwerk", "Unité de Réseau", "Unidad de Red"});
        row(26, {"CD-ROM Unit", "Unità CD-ROM", "CD-ROM-Laufwerk", "Unité de CD-ROM", "Unidad CD-ROM"});
        row(27, {"RAM Disk Unit", "RAM Disk", "RAM-Laufwerk", "Unité de RAM Disque", "Unidad RAM Disco"});
        row(31, {"All the network", "Tutta la Rete", "Gesamtes Netzwerk", "Tout le Réseau", "Toda la Red"});
        row(32, {"Deleted", "Cancellato", "Gelöscht", "Effacé", "Borrado"});
        row(33, {"New folder", "Nuova Cartella", "Neues Verzeichnis", "Nouveau répertoire", "Nuevo Directorio"});
        row(41, {"&View Style", "&Visualizza", "&Ansicht", "&Voir le style", "&Ver"});
        row(42, {"&Large icons", "Icone &grandi", "&Große Symbole", "&Grandes Icônes", "Iconos &Grandes"});
        row(43, {"&Small Icons", "Icone &piccole", "&Kleine Symbole", "&Petites Icônes", "Iconos &Pequeños"});
        row(44, {"&List", "Ele&nco", "&Liste", "&Liste", "&Lista"});
        row(45, {"&Report", "D&ettagli", "&Details", "&Rapport", "&Detalles"});
        row(61, {"&Sort Icons", "&Disponi icone", "&Symbole anordnen", "&Trier les Icônes", "&Alinear Iconos"});
        row(62, {"by &Name", "Per &nome", "Nach &Name", "&Par Nom", "&Dar Nombre"});
        row(63, {"by &Size", "Per &dimensione", "Nach &Größe", "&Par taille", "&Tamaño"});
        row(64, {"by &Type", "Per &tipo", "Nach &Typ", "&Par Type", "&Bondadoso"});
        row(65, {"by &Last Modify", "Per d&ata", "Nach Än&derungsdatum", "&Par date de dernière modification",
                 "&Fecha/Hora"});
        row(66, {"by &Attributes", "Per a&ttributi", "Nach Datei&attributen", "&Par attributs", "&Atributos"});
        row(71, {"Send &To", "In&via a", "Senden &an", "&Envoyer à", "Envar &A"});
        row(72, {"&Delete", "&Elimina", "&Löschen", "&Supprimer", "&Borrar"});
        row(73, {"&Rename", "Ri&nomina", "&Umbenennen", "&Renommer", "&ReNombrar"});
        row(74, {"&New Folder", "Nuova &cartella", "&Neues Verzeichnis", "&Nouveau répertoire", "&Nueva  Carpeta"});
        row(75, {"&Open", "&Apri", "Ö&ffnen", "&Ouvrir", "&Abrir"});
    }
    void holdsEveryText() {
        QFETCH(int, offset);
        QFETCH(QStringList, texts);
        const int bases[] = {900, 1600, 700, 1200, 1000};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(Text(bases[i], offset), texts[i]);
        }
        QCOMPARE(Text(1700, offset), QString());
    }
};

QTEST_MAIN(FileListLanguageTest)
#include "FileListLanguageTest.moc"
