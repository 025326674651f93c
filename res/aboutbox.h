// The About box's template, IDD_ABOUTBOX.
#pragma once

#include "dialogtemplate.h"

const DialogTemplate &aboutBoxTemplate();
