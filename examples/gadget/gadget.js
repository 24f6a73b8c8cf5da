// Sample gadget client: does from a command prompt what the Tellmark gadget does with the back end.
//   cscript //nologo gadget.js [seconds of live status, default 5]
// It needs Voltwise.dll registered and TellmarkSvc.exe running in the same user session. On 64-bit Windows
// run the 64-bit cscript (C:\Windows\System32\cscript.exe): Voltwise.dll is a 64-bit in-process server.

var PRODUCT_KEY = "HKCU\\Software\\Quorvel\\Tellmark\\";
var STATUS_KEY = PRODUCT_KEY + "Current Status\\";
var FAN_MODE_REQUEST = 2;
var FAN_MODE = 5;
var HALF_VOLUME = "500000"; // the scalar level 0.5 times 1,000,000
var DEFAULT_SECONDS = 5;
// GetRemainingTime of a system that gives no estimate (on mains power, or still estimating): 0xFFFFFFFF / 60.
var NO_ESTIMATE = 71582788;

var shell = new ActiveXObject("WScript.Shell");

function readValue(path) {
    try {
        return shell.RegRead(path);
    } catch (e) {
        return null; // not published (yet)
    }
}

function readStatus(name) {
    var value = readValue(STATUS_KEY + name);
    return value === null ? "(none)" : String(value);
}

// Wine's script host has no WScript.Sleep (it fails with "not implemented"); a loopback ping waits there.
function pauseOneSecond() {
    try {
        WScript.Sleep(1000);
    } catch (e) {
        shell.Run("ping -n 2 127.0.0.1", 0, true);
    }
}

function statusLine() {
    return "volume " + readStatus("VolumeLevel") + "  mute " + readStatus("Mute") +
           "  display " + readStatus("DisplayOrientation");
}

function batteryLine(minutes) {
    return "Battery: " + minutes + " minutes" +
           (minutes === NO_ESTIMATE ? " (no estimate: on mains power or still estimating)" : " remaining");
}

var seconds = WScript.Arguments.length > 0 ? parseInt(WScript.Arguments(0), 10) : DEFAULT_SECONDS;
if (isNaN(seconds) || seconds < 0) {
    WScript.Echo("usage: cscript //nologo gadget.js [seconds of live status, default " + DEFAULT_SECONDS + "]");
    WScript.Quit(2);
}

var battery = new ActiveXObject("Voltwise.BatteryRemainingTime");
WScript.Echo(batteryLine(battery.GetRemainingTime()));
if (readValue(STATUS_KEY + "DisplayOrientation") === null) {
    WScript.Echo("TellmarkSvc.exe publishes no status: is it running?");
    WScript.Quit(1);
}
WScript.Echo("Status:  " + statusLine());

// Commands: the service consumes each one on its next tick. The argument goes first, then the request.
shell.RegWrite(STATUS_KEY + "SetVolume", HALF_VOLUME, "REG_SZ");
WScript.Echo("Sent:    SetVolume " + HALF_VOLUME + " (half volume)");
shell.RegWrite(STATUS_KEY + "FanMode", FAN_MODE, "REG_DWORD");
shell.RegWrite(PRODUCT_KEY + "PostMessage", FAN_MODE_REQUEST, "REG_DWORD");
WScript.Echo("Sent:    PostMessage " + FAN_MODE_REQUEST + " (fan mode) with FanMode " + FAN_MODE);

for (var second = 1; second <= seconds; second++) {
    pauseOneSecond();
    var pending = readValue(STATUS_KEY + "SetVolume") === null ? "" : "  SetVolume pending";
    WScript.Echo("[" + second + "s]    " + statusLine() + "  PostMessage " + readValue(PRODUCT_KEY + "PostMessage") +
                 pending);
}
