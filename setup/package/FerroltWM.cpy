Ferrolt program launcher for Windows Mobile devices.
Copyright (C) OrvantLLC. All rights reserved.
This copy note stays in \Application while Ferrolt is installed.
