#include "doubles/zeph_server.h"
