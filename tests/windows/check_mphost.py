#!/usr/bin/env python3
"""mphost.exe end to end under an emulator (wine): `describe` reads the
description from the DLL's resource, `run` drives Quorvale.dll block by block,
and bad inputs give an error message and exit status 1."""

import argparse
import json
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def mphost(args, arguments):
    command = ([args.emulator] if args.emulator else []) + [args.mphost] + arguments
    result = subprocess.run(command, capture_output=True, timeout=120)
    # The program writes \n; a console layer may turn it into \r\n.
    return (result.returncode, result.stdout.decode("utf-8").replace("\r\n", "\n"),
            result.stderr.decode("utf-8", "replace").replace("\r\n", "\n"))


def expected_description(xml_file):
    root = ElementTree.parse(xml_file).getroot()
    modules = []
    for plugin in root.findall("Plugin"):
        pins = [{"id": int(pin.get("id")), "name": pin.get("name"),
                 "direction": pin.get("direction"), "datatype": pin.get("datatype"),
                 "rate": pin.get("rate", "control")}
                for pin in plugin.find("Audio").findall("Pin")]
        modules.append({"id": plugin.get("id"), "name": plugin.get("name"),
                        "category": plugin.get("category"), "pins": pins})
    return {"modules": modules}


def describe(args):
    status, out, err = mphost(args, ["describe", "--json", args.library])
    if not check(status == 0, f"describe --json exited with {status}: {err}"):
        return
    described = json.loads(out)
    expected = expected_description(args.xml)
    check(described == expected, f"describe --json gave {described}, expected {expected}")

    status, out, err = mphost(args, ["describe", args.library])
    check(status == 0, f"describe exited with {status}: {err}")
    check('module "Tarnwick Quorvale"' in out and "Volts (Varrow)" in out,
          f"the table lacks the module or its output pin:\n{out}")


ONE = "0x3F400000"   # 1 s -> 0.75
TEN = "0x3F800000"   # 10 s -> 1.0
HALF = "0x3ED977DA"  # 0.05 s -> 0.42474252

# Block size 128 at 48 kHz: 1 s from sample 0, 10 s at sample 192 (block 1,
# offset 64, while the module sleeps), 0.05 s at 0.02 s = sample 960 (block 7).
CHANGE_RUN = ["--block-size", "128", "--sample-rate", "48000", "--blocks", "9",
              "--set", "1@0", "--set", "10@192", "--set", "0.05@0.02s", "--format", "json"]

# Per block: processed, host calls, output runs as (count, bits).
CHANGE_BLOCKS = [
    (True, ["postPinStreaming(0, 1, 1)", "postPinStreaming(0, 1, 0)", "requestSleep()"],
     [(128, ONE)]),
    (True, ["postPinStreaming(64, 1, 0)"], [(64, ONE), (64, TEN)]),
    (True, ["requestSleep()"], [(128, TEN)]),
    (False, [], [(128, TEN)]),
    (False, [], [(128, TEN)]),
    (False, [], [(128, TEN)]),
    (False, [], [(128, TEN)]),
    (True, ["postPinStreaming(64, 1, 0)"], [(64, TEN), (64, HALF)]),
    (True, ["requestSleep()"], [(128, HALF)]),
]


def run(args):
    status, out, err = mphost(args, ["run", args.library] + CHANGE_RUN)
    if not check(status == 0, f"run exited with {status}: {err}"):
        return
    result = json.loads(out)
    check(result["module"] == "Tarnwick Quorvale", f"module {result['module']}")
    check(result["outputPins"] == [1], f"output pins {result['outputPins']}")
    blocks = result["blocks"]
    if not check(len(blocks) == len(CHANGE_BLOCKS), f"{len(blocks)} blocks"):
        return
    for index, (block, (processed, calls, runs)) in enumerate(zip(blocks, CHANGE_BLOCKS)):
        got = (block["firstSample"], block["processed"], block["calls"],
               [(r["count"], r["bits"]) for r in block["outputs"][0]["runs"]])
        want = (128 * index, processed, calls, runs)
        check(got == want, f"block {index}: got {got}, expected {want}")

    status, out, err = mphost(args, ["run", args.library, "--blocks", "1", "--set", "0@0",
                                     "--format", "json"])
    if check(status == 0, f"run --set 0@0 exited with {status}: {err}"):
        sample = json.loads(out)["blocks"][0]["outputs"][0]["runs"][0]
        check((sample["value"], sample["bits"]) == ("-inf", "0xFF800000"),
              f"0 s gave {sample}")


def errors(args):
    cases = [
        (["describe", "no-such-library.dll"], "does not exist"),
        (["describe", args.xml], "is not a loadable module library"),
        (["describe", args.mphost], "has no entry MP_GetFactory"),
        (["run", args.library, "--set", "Bogus=1@0"], "has no pin 'Bogus'"),
        (["run", args.library, "--module", "Nobody"], "Nobody"),
    ]
    for arguments, message in cases:
        status, out, err = mphost(args, arguments)
        check(status == 1 and message in err,
              f"{arguments}: exit status {status}, stderr {err!r}, expected 1 and {message!r}")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--emulator", default="")
    parser.add_argument("--mphost", required=True)
    parser.add_argument("--library", required=True)
    parser.add_argument("--xml", required=True)
    parser.add_argument("check", choices=["describe", "run", "errors"])
    args = parser.parse_args()
    {"describe": describe, "run": run, "errors": errors}[args.check](args)
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
