// Fujifilm live view: the zoom levels.
bool PtpFuji_Has200ZoomLevel() { return true; }
