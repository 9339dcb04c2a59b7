#include "app/Release.h"
