#pragma once
// Local score server for the tests (filled in with the high-score work).
