#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/.

Seeds are realistic inputs (frames as the sensor sends them, 128-byte blocks,
parameter files as the program writes them, requests as the program sends
them) plus edge cases. The input layouts are described in fuzz/harnesses.h.
Run again after changing a layout; it replaces the seeds it writes.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

START_UP = [500, 0, 512, 64, 1, 1, 200, 800, 512, 100, 1, 1, 0, 1, 0, 1000]


def words(ws):
    return b"".join(struct.pack(">H", w & 0xFFFF) for w in ws)


def frame(code, ws=()):
    ws = list(ws) + [0] * (16 - len(ws))
    return bytes([0x00, 0x55, 0x00, code]) + words(ws)


def echo(word0=0x00AA):
    return frame(7, [word0])


def measurement(edge1, edge2, value, teach, tol, start, count, sv, ev):
    return frame(8, [edge1, edge2, value, teach, tol, start, count, sv, ev])


def block(first):
    return words((first + i) * 4 for i in range(64))


def i16(v):
    return struct.pack(">h", v)


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def reply_settings(unit=1, eval_mode=1, ccd=0, pattern=0, hang_up=False):
    return unit | (eval_mode << 1) | (ccd << 3) | (pattern << 5) | (0x80 if hang_up else 0)


def reply_seeds():
    def seed(name, scenario, settings, chunk, stream):
        write("reply", name, bytes([scenario, settings, chunk]) + stream)

    params = frame(2, START_UP)
    s = reply_settings()
    # Start-up: echo check, then the fetch from RAM.
    seed("startup_echo_and_parameters_at_once", 0, s, 0, echo() + params)
    seed("startup_in_pieces_of_12", 0, s, 12, echo() + params)
    seed("startup_byte_by_byte", 0, s, 1, echo() + params)
    seed("startup_pieces_and_single_bytes", 0, reply_settings(pattern=1), 7, echo() + params)
    seed("startup_pieces_with_idle_passes", 0, reply_settings(pattern=2), 10, echo() + params)
    seed("startup_varied_pieces", 0, reply_settings(pattern=3), 20, echo() + params)
    seed("startup_echo_bytes_swapped", 0, s, 0, echo(0xAA00))
    seed("startup_echo_high_byte_set", 0, s, 0, echo(0x01AA))
    seed("startup_40_bytes", 0, s, 0, echo() + b"\x01\x02\x03\x04")
    seed("startup_35_bytes", 0, s, 0, echo()[:35])
    seed("startup_lone_sync_byte", 0, s, 0, b"\x55")
    seed("startup_hang_up_after_echo", 0, reply_settings(hang_up=True), 36, echo())
    seed("startup_parameters_beyond_ranges", 0, s, 36,
         echo() + frame(2, [0xFFFF] * 16))
    seed("startup_parameters_zero", 0, s, 36, echo() + frame(2, [0] * 16))
    # Measurement cycle: answers in every evaluation and CCD mode.
    answers = (measurement(300, 700, 400, 512, 100, 200, 2, 0, 0)
               + measurement(310, 690, 380, 512, 100, 200, 2, 0, 0)
               + measurement(0, 0, 0, 0, 0, 0, 0, 0, 0))
    for mode in range(4):
        for ccd in range(3):
            seed(f"cycle_mode{mode}_ccd{ccd}", 1, reply_settings(eval_mode=mode, ccd=ccd), 36,
                 answers)
    seed("cycle_micrometres", 1, reply_settings(unit=0, eval_mode=2), 0, answers)
    seed("cycle_one_edge_rising", 1, s, 36, measurement(300, 0, 300, 512, 100, 0, 1, 0, 1023))
    seed("cycle_one_edge_falling", 1, s, 36, measurement(300, 0, 300, 512, 100, 0, 1, 1023, 0))
    seed("cycle_all_ones", 1, reply_settings(eval_mode=2, ccd=2), 36,
         frame(8, [0xFFFF] * 16))
    seed("cycle_answers_with_garbage", 1, reply_settings(pattern=3), 9,
         answers[:36] + b"\xff\x00\x55" + answers[36:])
    # Teach and background teach: an acknowledgement, then parameters.
    seed("teach_answered", 2, s, 36, frame(5) + params)
    seed("teach_silent", 2, s, 0, b"")
    seed("background_teach_answered", 3, s, 36, frame(6) + params)
    seed("background_teach_short_answer", 3, s, 0, frame(6)[:30])
    # The bare callback: frames, extra bytes, lone sync bytes.
    seed("callback_frames_and_extra", 4, s, 40, echo() + b"\x55\x55\x55\x55" + params)
    seed("callback_lone_sync_bytes", 4, s, 1, b"\x55" * 5 + echo())
    seed("callback_many_frames", 4, reply_settings(pattern=2), 36, params * 8)


def datablock_seeds():
    def line(chunk=0, lie=0, pattern=0, hang_up=False, param=0):
        return bytes([chunk, lie | (pattern << 3) | (0x80 if hang_up else 0)]) + i16(param)

    # The decoder alone: mode 0, first, count, bytes.
    for first in (0, 64, 128, 192, -1, 193, 255, -32768):
        write("datablock", f"decode_first_{first}", b"\x00" + i16(first) + i16(128) + block(0))
    for count in (0, 1, 127, 129, -2):
        write("datablock", f"decode_count_{count}", b"\x00" + i16(64) + i16(count) + block(64))
    # ReadData64: mode 1, first, refWord, line script, bytes.
    def read(name, first, ref, script, data):
        write("datablock", name, b"\x01" + i16(first) + i16(ref) + script + data)

    read("read_block_0", 0, 0, line(), block(0))
    read("read_block_192_reference", 192, 1, line(chunk=16), block(192))
    read("read_block_in_pieces", 64, 0, line(chunk=7, pattern=3), block(64))
    read("read_127_bytes", 0, 0, line(), block(0)[:127])
    read("read_129_bytes", 0, 0, line(), block(0) + b"\x01")
    read("read_1100_bytes", 128, 0, line(chunk=200), (block(0) * 9)[:1100])
    read("read_nothing", 0, 0, line(), b"")
    read("read_queue_overstated", 0, 0, line(lie=1, param=100), block(0)[:60])
    read("read_queue_constant_5000", 0, 0, line(lie=2, param=5000), block(0))
    read("read_queue_negative", 0, 0, line(lie=2, param=-3), block(0))
    read("read_queue_alternating", 64, 0, line(lie=3, param=2000), block(64))
    read("read_queue_huge", 0, 0, line(lie=4), block(0))
    read("read_queue_error", 0, 0, line(lie=5), block(0))
    read("read_queue_never_full", 0, 0, line(lie=6, chunk=32), block(0))
    read("read_hang_up", 0, 0, line(chunk=64, hang_up=True), block(0))
    read("read_first_outside", 200, 0, line(), block(0))
    read("read_first_negative", -64, 0, line(), block(0))
    # The data read loop: mode 2, settings, pixel start, spare, line script,
    # then four blocks and a measurement answer per pass.
    one_pass = (block(0) + block(64) + block(128) + block(192)
                + frame(8, [300, 700, 400, 512, 100, 200, 2, 0, 0]))

    def loop(name, settings, pixel_start, script, data):
        write("datablock", name, b"\x02" + bytes([settings]) + i16(pixel_start) + b"\x00"
              + script + data)

    loop("loop_one_pass", 0, 1, line(), one_pass)
    loop("loop_two_passes_window", 1, 300, line(chunk=64), one_pass * 2)
    loop("loop_reported_window", 2, 1, line(chunk=36, pattern=2), one_pass)
    loop("loop_short_block", 0, 1, line(), block(0)[:100])
    loop("loop_queue_lies", 0, 1, line(lie=1, param=64), one_pass)


def parafile_seeds():
    def numbers(values, fmt="%4d\n"):
        return "".join(fmt % v for v in values).encode()

    write("parafile", "startup_values", numbers(START_UP))
    write("parafile", "scale_1100", numbers(START_UP[:15] + [1100]))
    write("parafile", "crlf", numbers(START_UP, "%4d\r\n"))
    write("parafile", "no_final_newline", numbers(START_UP)[:-1])
    write("parafile", "seventeen_lines", numbers(START_UP + [7]))
    write("parafile", "fifteen_lines", numbers(START_UP[:15]))
    write("parafile", "blank_lines_between", numbers(START_UP).replace(b"\n", b"\n\n", 5))
    write("parafile", "value_70000", numbers([70000] + START_UP[1:]))
    write("parafile", "largest_u32", numbers([4294967295] + START_UP[1:]))
    write("parafile", "beyond_u32", numbers([4294967296] + START_UP[1:]))
    write("parafile", "negative", numbers([-1] + START_UP[1:]))
    write("parafile", "plus_sign", numbers(START_UP, "+%d\n"))
    write("parafile", "tabs", numbers(START_UP, "\t%d\t\n"))
    write("parafile", "left_aligned", numbers(START_UP, "%-4d\n"))
    write("parafile", "wide_values", numbers([12345] * 16))
    write("parafile", "letters", numbers(START_UP).replace(b" 512", b"0x20", 1))
    write("parafile", "decimal_point", numbers(START_UP).replace(b"1000", b"1.00", 1))
    write("parafile", "nul_byte", numbers(START_UP).replace(b" 500", b"\x00500", 1))
    write("parafile", "long_line", b" " * 80 + numbers(START_UP))
    write("parafile", "leading_zeros", numbers(START_UP, "%040d\n"))
    write("parafile", "empty", b"")


def sim_request_seeds():
    def record(data, pause=0):
        out = b""
        while True:
            piece, data = data[:63], data[63:]
            out += bytes([len(piece) | (pause << 6)]) + piece
            pause = 0
            if not data:
                return out

    requests = b"".join(frame(code, START_UP) for code in range(1, 10))
    write("sim_request", "every_command", record(requests))
    write("sim_request", "request_in_three_pieces",
          record(frame(8)[:5]) + record(frame(8)[5:25], 1) + record(frame(8)[25:], 1))
    write("sim_request", "garbage_then_request",
          record(b"\xff\x00\x55\x00\x0a\x00\x00\x55\x01" + frame(7)))
    write("sim_request", "lookalike_headers",
          record(b"\x00\x55\x00\x55\x00\x07" + frame(7)[2:] + frame(2)))
    write("sim_request", "request_cut_by_pause",
          record(frame(8)[:20]) + record(frame(8), 2))
    write("sim_request", "pause_of_exactly_the_gap",
          record(frame(8)[:20]) + record(frame(8)[20:], 3))
    write("sim_request", "reset_mid_request",
          record(frame(9, [64])[:10]) + bytes([0xC0]) + record(frame(9, [64])))
    write("sim_request", "unknown_codes",
          record(frame(0) + frame(10) + frame(255) + frame(7)))


def main():
    reply_seeds()
    datablock_seeds()
    parafile_seeds()
    sim_request_seeds()
    return 0


if __name__ == "__main__":
    sys.exit(main())
