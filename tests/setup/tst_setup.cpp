// The small start-up routines: the settings store, the application title, the
// skin condition, the folder chooser's result and the hand pointer file.

#include "HandCursor.h"

#include "TestSupport.h"
#include "gui/WindowPointer.h"
#include "platform/ui/ScriptedDialogs.h"
#include "setup/BrowseForFolder.h"
#include "setup/SampleLocation.h"
#include "setup/SettingsStore.h"
#include "setup/Startup.h"
#include "setup/WindowPlacement.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace tw;

class TestSetupRoutines : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { setup::ClearSettings(QStringLiteral("Kestrava")); }

    void settingsDefaultsAndExactTexts();
    void settingsAreKeptPerSection();
    void settingsGoToAnIniFileOnLinux();
    void settingsGoToTheRegistryOnWindows();
    void applicationTitle_data();
    void applicationTitle();
    void skinNeedsAnOrdinaryFile();
    void browseResultLosesTrailingSeparator();
    void containerDialogTitleAndFilter();
    void handCursorIsACursorFile();
    void cursorHotSpotRejectsOtherFiles();
    void samplesOfAReadOnlyInstallAreCopied();
    void storedWindowPlaceIsUsedOnAScreenThatIsThere();
};

void TestSetupRoutines::settingsDefaultsAndExactTexts()
{
    using setup::ReadSetting;
    using setup::WriteSetting;
    QCOMPARE(ReadSetting(setup::kParadoxFolder), QString());
    QCOMPARE(ReadSetting(setup::kParadoxFolder, QStringLiteral("fallback")), QStringLiteral("fallback"));
    // Blanks, separators and INI-special characters come back as written.
    for (const QString &value : {QStringLiteral(" 2"), QStringLiteral("C:\\Data\\sales.dbc"),
                                 QStringLiteral("/srv/a;b=c,d \"e\""), QStringLiteral("2 ")}) {
        WriteSetting(setup::kDBCFile, value);
        QCOMPARE(ReadSetting(setup::kDBCFile), value);
    }
    // An emptied value is stored as empty, not removed.
    WriteSetting(setup::kDBCFile, QString());
    QCOMPARE(ReadSetting(setup::kDBCFile, QStringLiteral("fallback")), QString());
}

void TestSetupRoutines::settingsAreKeptPerSection()
{
    setup::SaveSetting("Kestrava", "Tabwright", "FoxproOption", "2");
    setup::SaveSetting("Kestrava", "Other", "FoxproOption", "1");
    QCOMPARE(setup::GetSetting("Kestrava", "Tabwright", "FoxproOption"), QStringLiteral("2"));
    QCOMPARE(setup::GetSetting("Kestrava", "Other", "FoxproOption"), QStringLiteral("1"));
    QCOMPARE(setup::ReadSetting(setup::kFoxproOption), QStringLiteral("2"));
    setup::ClearSettings(QStringLiteral("Kestrava"));
    QCOMPARE(setup::ReadSetting(setup::kFoxproOption, QStringLiteral("gone")), QStringLiteral("gone"));
    QCOMPARE(setup::GetSetting("Kestrava", "Other", "FoxproOption", "gone"), QStringLiteral("gone"));
}

void TestSetupRoutines::settingsGoToAnIniFileOnLinux()
{
    if (tw::test::onWindows())
        QSKIP("Linux only: on Windows the settings are in the registry");
    setup::WriteSetting(setup::kParadoxFolder, QStringLiteral("/srv/px"));
    const QString file = setup::SettingsFilePath(QStringLiteral("Kestrava"));
    QCOMPARE(setup::SettingsLocation(QStringLiteral("Kestrava")), file);
    QVERIFY(file.endsWith(QStringLiteral("/Kestrava/Tabwright.ini")));
    QSettings ini(file, QSettings::IniFormat);
    QCOMPARE(ini.value(QStringLiteral("Tabwright/ParadoxFolder")).toString(), QStringLiteral("/srv/px"));
}

void TestSetupRoutines::settingsGoToTheRegistryOnWindows()
{
    if (!tw::test::onWindows())
        QSKIP("Windows only: on Linux the settings are in an INI file");
    setup::WriteSetting(setup::kParadoxFolder, QStringLiteral("C:\\Data\\Px"));
    // Tests keep theirs under Software\qttest; the program under Software itself.
    const QString key = setup::SettingsLocation(QStringLiteral("Kestrava"));
    QCOMPARE(key, QStringLiteral("HKEY_CURRENT_USER\\Software\\qttest\\Kestrava"));
    QSettings registry(key + QStringLiteral("\\Tabwright"), QSettings::NativeFormat);
    QCOMPARE(registry.value(QStringLiteral("ParadoxFolder")).toString(), QStringLiteral("C:\\Data\\Px"));
    QVERIFY(!QFile::exists(setup::SettingsFilePath(QStringLiteral("Kestrava"))));
    setup::ClearSettings(QStringLiteral("Kestrava"));
    QSettings cleared(key + QStringLiteral("\\Tabwright"), QSettings::NativeFormat);
    QVERIFY(!cleared.contains(QStringLiteral("ParadoxFolder")));
}

void TestSetupRoutines::applicationTitle_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("title");
    QTest::newRow("no blank") << "Tabwright"
                              << "Tabwright";
    QTest::newRow("last word goes") << "Kestrava Table Transfer"
                                    << "Kestrava Table";
    QTest::newRow("trailing blank") << "Tabwright "
                                    << "Tabwright";
    QTest::newRow("cut until 40") << "Alpha Beta Gamma Delta Epsilon Zeta Eta Theta Iota Kappa"
                                  << "Alpha Beta Gamma Delta Epsilon Zeta Eta";
    QTest::newRow("long word without blank") << QString(50, QLatin1Char('x')) << QString(50, QLatin1Char('x'));
    QTest::newRow("empty") << ""
                           << "";
}

void TestSetupRoutines::applicationTitle()
{
    QFETCH(QString, product);
    QFETCH(QString, title);
    QCOMPARE(setup::ApplicationTitleFor(product), title);
}

void TestSetupRoutines::skinNeedsAnOrdinaryFile()
{
    QTemporaryDir dir;
    const QString program = dir.path();
    QWidget window;
    auto *frame = new QGroupBox(&window);
    auto *button = new QPushButton(&window);
    QPalette white = window.palette();
    white.setColor(QPalette::Window, Qt::white);
    for (QWidget *w : {&window, static_cast<QWidget *>(frame), static_cast<QWidget *>(button)})
        w->setPalette(white);

    setup::ApplySkin(&window, program);
    QCOMPARE(window.palette().color(QPalette::Window), QColor(Qt::white));

    // A folder of that name is not the skin file.
    QVERIFY(QDir(program).mkpath("x/o.cjs"));
    QVERIFY(!setup::SkinFilePresent(program));
    QVERIFY(QDir(program + "/x").rmdir("o.cjs"));

    QFile skin(program + "/x/o.cjs");
    QVERIFY(skin.open(QIODevice::WriteOnly));
    skin.close();
    QVERIFY(setup::SkinFilePresent(program));
    setup::ApplySkin(&window, program);
    const QColor face = QApplication::palette().color(QPalette::Button);
    QCOMPARE(window.palette().color(QPalette::Window), face);
    QCOMPARE(frame->palette().color(QPalette::Window), face);
    QCOMPARE(button->palette().color(QPalette::Window), QColor(Qt::white)); // buttons keep theirs
}

void TestSetupRoutines::browseResultLosesTrailingSeparator()
{
    ui::ScriptedDialogs dialogs;
    dialogs.expectText("/data/paradox/");
    dialogs.expectText("/");
    dialogs.expectText("C:\\");
    dialogs.expectText("C:\\Data\\");
    dialogs.expectText("");
    QCOMPARE(AddFolder::BrowseForFolder(dialogs, nullptr, "Please select folder:", "/start"), "/data/paradox");
    QCOMPARE(AddFolder::BrowseForFolder(dialogs, nullptr, "p", ""), "/");
    QCOMPARE(AddFolder::BrowseForFolder(dialogs, nullptr, "p", ""), "C:\\");
    QCOMPARE(AddFolder::BrowseForFolder(dialogs, nullptr, "p", ""), "C:\\Data");
    QCOMPARE(AddFolder::BrowseForFolder(dialogs, nullptr, "p", ""), QString());
    QCOMPARE(dialogs.boxes()[0].text, QStringLiteral("Please select folder:"));
    QCOMPARE(dialogs.boxes()[0].defaultText, QStringLiteral("/start"));
}

void TestSetupRoutines::containerDialogTitleAndFilter()
{
    ui::ScriptedDialogs dialogs;
    dialogs.expectText("/data/sales.dbc");
    QCOMPARE(setup::ChooseContainerFile(dialogs, nullptr), QStringLiteral("/data/sales.dbc"));
    QCOMPARE(dialogs.boxes()[0].kind, ui::ScriptedDialogs::Kind::File);
    QCOMPARE(dialogs.boxes()[0].title, QStringLiteral("Select Foxpro Database"));
    QCOMPARE(dialogs.boxes()[0].text, QStringLiteral("Microsoft Database (*.dbc)|*.dbc|"));
}

void TestSetupRoutines::handCursorIsACursorFile()
{
    const QByteArray file = samples::HandCursorFile();
    const auto hot = gui::cursorHotSpot(file);
    QVERIFY(hot.has_value());
    QImage image;
    QVERIFY(image.loadFromData(file, "CUR"));
    QCOMPARE(image.size(), QSize(32, 32));
    // The hot spot is on the drawing's outline (the fingertip), which is opaque.
    QVERIFY(qAlpha(image.pixel(*hot)) == 255 || qAlpha(image.pixel(hot->x(), hot->y() + 1)) == 255);
    QCOMPARE(qAlpha(image.pixel(31, 31)), 0); // the corner is transparent

    QTemporaryDir dir;
    QFile out(dir.filePath("HAND-M.CUR"));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
    out.close();
    QWidget window;
    gui::WindowPointer pointer(&window);
    QVERIFY(pointer.loadCustomPointer(dir.path() + "\\HAND-M.CUR"));
    QCOMPARE(pointer.customPointer()->hotSpot(), *hot);
}

void TestSetupRoutines::cursorHotSpotRejectsOtherFiles()
{
    QVERIFY(!gui::cursorHotSpot(QByteArray()).has_value());
    QByteArray icon = samples::HandCursorFile();
    icon[2] = 1; // an icon, not a cursor
    QVERIFY(!gui::cursorHotSpot(icon).has_value());
    QVERIFY(!gui::cursorHotSpot(samples::HandCursorFile().left(10)).has_value());

    QTemporaryDir dir;
    QFile junk(dir.filePath("HAND-M.CUR"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a cursor at all, just text");
    junk.close();
    QWidget window;
    gui::WindowPointer pointer(&window);
    QVERIFY(!pointer.loadCustomPointer(junk.fileName()));
    QVERIFY(!pointer.hasCustomPointer());
    QVERIFY(!pointer.loadCustomPointer(dir.filePath("missing.cur")));
}

void TestSetupRoutines::samplesOfAReadOnlyInstallAreCopied()
{
    QTemporaryDir program;
    QTemporaryDir data;
    QDir(program.path()).mkdir("Samples");
    tw::test::writeAll(program.path() + "/Samples/clients.db", "table");
    tw::test::writeAll(program.path() + "/Samples/customers.dbf", "free");
    // A program folder that can be written keeps its samples where they are.
    QCOMPARE(tw::setup::SamplesFolderFor(program.path(), data.path(), true), program.path() + "\\Samples");
    // One that cannot gets a copy in the data folder; what the user changed there stays.
    const QString copy = tw::setup::SamplesFolderFor(program.path(), data.path() + "/sub", false);
    QCOMPARE(copy, data.path() + "/sub/Samples");
    QCOMPARE(tw::test::readAll(copy + "/clients.db"), QByteArray("table"));
    tw::test::writeAll(copy + "/clients.db", "changed by the user");
    tw::test::writeAll(program.path() + "/Samples/products.db", "new in this version");
    QCOMPARE(tw::setup::SamplesFolderFor(program.path(), data.path() + "/sub", false), copy);
    QCOMPARE(tw::test::readAll(copy + "/clients.db"), QByteArray("changed by the user"));
    QCOMPARE(tw::test::readAll(copy + "/products.db"), QByteArray("new in this version"));
}

void TestSetupRoutines::storedWindowPlaceIsUsedOnAScreenThatIsThere()
{
    using setup::placeOnScreens;
    using setup::positionFromText;
    // The stored text and back, blanks allowed; anything else is no place.
    QCOMPARE(positionFromText(setup::positionText(QPoint(-1200, 35))), std::optional<QPoint>(QPoint(-1200, 35)));
    QCOMPARE(positionFromText(" 10 , 20 "), std::optional<QPoint>(QPoint(10, 20)));
    for (const char *text : {"", "10", "10,", "a,b", "1,2,3", "1.5,2"})
        QVERIFY2(!positionFromText(text), text);

    // Two screens side by side, the primary on the right.
    const QRect left(-1280, 0, 1280, 1024);
    const QRect primary(0, 0, 1920, 1080);
    const QList<QRect> screens{left, primary};
    const QSize window(536, 310);
    const QPoint centred(692, 385);
    QCOMPARE(placeOnScreens(QPoint(100, 80), window, screens, primary), QPoint(100, 80));
    QCOMPARE(placeOnScreens(QPoint(-900, 500), window, screens, primary), QPoint(-900, 500));
    // The left screen is gone: the window comes up centred on the primary one.
    QCOMPARE(placeOnScreens(QPoint(-900, 500), window, {primary}, primary), centred);
    QCOMPARE(placeOnScreens(QPoint(100, 2000), window, screens, primary), centred);
    QCOMPARE(placeOnScreens(std::nullopt, window, screens, primary), centred);
    // Centred on a primary screen that does not start at the origin.
    QCOMPARE(placeOnScreens(std::nullopt, QSize(100, 100), {left}, left), QPoint(-1280 + 590, 462));
}

QTEST_MAIN(TestSetupRoutines)
#include "tst_setup.moc"
