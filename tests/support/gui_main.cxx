// Entry point of the widget tests: one QApplication for the whole run (the
// platform is chosen in TestEnvironment.cxx).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // The program's title, as its entry point sets it.
    QApplication::setApplicationName("PhonaraPlayer");
    QApplication::setApplicationDisplayName("PhonaraPlayer");
    return RUN_ALL_TESTS();
}
