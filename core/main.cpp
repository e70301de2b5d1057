// VRD X: a desktop calendar built around daynotes.
#include "core/startup.h"

int main(int argc, char** argv) {
    return RunApplication(argc, argv);
}
