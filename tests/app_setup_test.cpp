#include "window/app_setup.hpp"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <memory>

// Qt's own texts that a user meets must be Italian once the application is
// set up, whatever locale the process started in (ctest runs it under C).
class AppSetupTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { coincidenze::setup_application(*qApp); }

    void desktop_file_name_is_the_program_id() {
        QCOMPARE(QGuiApplication::desktopFileName(),
                 QString::fromLatin1(coincidenze::desktop_file_id.data(),
                                     static_cast<qsizetype>(coincidenze::desktop_file_id.size())));
    }

    void text_box_context_menu_is_italian_data() {
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("italian");
        QTest::newRow("copy") << QStringLiteral("&Copy") << QStringLiteral("&Copia");
        QTest::newRow("paste") << QStringLiteral("&Paste") << QStringLiteral("&Incolla");
        QTest::newRow("undo") << QStringLiteral("&Undo") << QStringLiteral("Ann&ulla");
        QTest::newRow("select-all")
            << QStringLiteral("Select All") << QStringLiteral("Seleziona tutto");
    }

    void text_box_context_menu_is_italian() {
        QFETCH(QString, english);
        QFETCH(QString, italian);
        QLineEdit box(QStringLiteral("255"));
        const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
        QStringList texts;
        for (const QAction* action : menu->actions()) {
            // Drop the shortcut part Qt appends after a tab.
            texts << action->text().section(QLatin1Char('\t'), 0, 0);
        }
        QVERIFY2(!texts.contains(english), qPrintable(texts.join(QStringLiteral(", "))));
        QVERIFY2(texts.contains(italian), qPrintable(texts.join(QStringLiteral(", "))));
    }

    void message_box_buttons_are_italian() {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("t"), QStringLiteral("m"),
                        QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Annulla"));
    }

    void number_locale_is_italian() { QCOMPARE(QLocale().language(), QLocale::Italian); }
};

QTEST_MAIN(AppSetupTest)
#include "app_setup_test.moc"
