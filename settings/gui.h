// Sensor settings: the binding between the parameter variables and their
// controls, the parameter fetch and the parameter file.
#ifndef SETTINGS_GUI_H
#define SETTINGS_GUI_H

void GetPanelValues(void);
void SetPanelValues(void);
void PushGET(int target);
void SendParaToFile(void);
void ReadParaFromFile(void);
// Tells in the status box's tooltip which device port `port` reached or,
// after `code` < 0, why it could not be used.
void ExplainPort(int port, int code);

// Texts shown when a parameter file cannot be used; the parameter set stays.
#define TXT_FILE_CANNOT_READ "Cannot read parameter file - nothing loaded!"
#define TXT_FILE_NOT_PARAMS "Not a parameter file - nothing loaded!"
#define TXT_FILE_TOO_SHORT "Parameter file too short - nothing loaded!"
#define TXT_FILE_CANNOT_WRITE "Cannot write parameter file - nothing saved!"
#define TXT_PATH_TOO_LONG "File path too long (max. 259 characters)!"

#endif
