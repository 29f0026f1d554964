// The GUI tests run in one QApplication with the program's wait pump and
// error display, as main() sets them up.

#include "platform/qt/message_boxes.h"
#include "platform/qt/qt_wait_pump.h"

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();  // test discovery needs no display

    QApplication app(argc, argv);
    int status = 0;
    {
        QtWaitPump pump;
        SetDefaultWaitPump(&pump);
        InstallDefaultErrorDisplay();
        status = RUN_ALL_TESTS();
        SetDefaultWaitPump(nullptr);
    }
    return status;
}
