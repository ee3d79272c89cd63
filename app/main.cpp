// The program's entry point and its one application object.
#include "app/MeInitEditApp.h"

CMeInitEditApp theApp;

int main(int argc, char* argv[]) {
    return AfxWinMain(argc, argv);
}
