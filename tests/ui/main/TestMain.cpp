// One executable for the main window's tests: the layout rules and the window itself.

#include <QApplication>
#include <cstdlib>

int runMenuLayoutTest(int argc, char** argv);
int runMenuTest(int argc, char** argv);
int runAccessTest(int argc, char** argv);

int main(int argc, char** argv)
{
    // The tests never need a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    int failed = 0;
    failed += runMenuLayoutTest(argc, argv) != 0 ? 1 : 0;
    failed += runMenuTest(argc, argv) != 0 ? 1 : 0;
    failed += runAccessTest(argc, argv) != 0 ? 1 : 0;
    return failed == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
