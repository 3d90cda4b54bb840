#pragma once

#define IDD_VELMORA 100
