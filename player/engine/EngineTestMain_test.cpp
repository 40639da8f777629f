// The engine's tests need an event loop: libmpv's events arrive as queued calls.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
