#include "ObservableBase.h"
