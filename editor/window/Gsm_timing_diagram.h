// The GSM timing diagram of the "GSM timing" page, drawn by our own code: 348 by 129 pixels.
#pragma once

class QPixmap;

QPixmap gsm_timing_diagram();
