#include <gtest/gtest.h>

#include "app/application.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    tabulora::InitApplication();
    return RUN_ALL_TESTS();
}
