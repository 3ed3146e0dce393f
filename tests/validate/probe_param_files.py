from validate_lib import Score
def probe(env):
    return Score("param_files")
